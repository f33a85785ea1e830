/* Names of the InterBase client library entry points the binding looks up.
 * Plain C preprocessor lists, so that the binding and the test stub libraries
 * are generated from the same names.
 *
 * IBL_MANDATORY_ENTRIES: the 64 entry points a client library must export,
 * one slot each, in slot order (which is also the binding order, apart from
 * isc_event_counts being bound a second time after isc_event_block).
 * IBL_OPTIONAL_ENTRIES: the 9 entry points a library may lack. */
#ifndef TAMBLERO_INTERBASE_IBL_ENTRYNAMES_H
#define TAMBLERO_INTERBASE_IBL_ENTRYNAMES_H

#define IBL_MANDATORY_ENTRIES(X) \
    X(isc_array_gen_sdl) X(isc_array_get_slice) X(isc_array_lookup_bounds) X(isc_array_lookup_desc) \
    X(isc_array_set_desc) X(isc_array_put_slice) X(isc_blob_default_desc) X(isc_blob_gen_bpb) \
    X(isc_blob_info) X(isc_blob_lookup_desc) X(isc_blob_set_desc) X(isc_cancel_blob) \
    X(isc_close_blob) X(isc_create_blob) X(isc_create_blob2) X(isc_open_blob) \
    X(isc_open_blob2) X(isc_put_segment) X(isc_put_slice) X(isc_get_segment) \
    X(isc_get_slice) X(isc_attach_database) X(isc_create_database) X(isc_detach_database) \
    X(isc_drop_database) X(isc_database_info) X(isc_start_multiple) X(isc_commit_transaction) \
    X(isc_commit_retaining) X(isc_rollback_transaction) X(isc_transaction_info) X(isc_transact_request) \
    X(isc_dsql_execute_immediate) X(isc_dsql_exec_immed2) X(isc_dsql_execute) X(isc_dsql_execute2) \
    X(isc_dsql_allocate_statement) X(isc_dsql_alloc_statement2) X(isc_dsql_prepare) X(isc_dsql_set_cursor_name) \
    X(isc_dsql_describe) X(isc_dsql_describe_bind) X(isc_dsql_fetch) X(isc_dsql_free_statement) \
    X(isc_dsql_sql_info) X(isc_decode_date) X(isc_encode_date) X(isc_cancel_events) \
    X(isc_event_counts) X(isc_que_events) X(isc_event_block) X(isc_interprete) \
    X(isc_sql_interprete) X(isc_free) X(isc_sqlcode) X(isc_vax_integer) \
    X(isc_compile_request) X(isc_compile_request2) X(isc_send) X(isc_start_and_send) \
    X(isc_start_request) X(isc_unwind_request) X(isc_receive) X(isc_release_request)

#define IBL_OPTIONAL_ENTRIES(X) \
    X(isc_service_attach) X(isc_service_detach) X(isc_service_query) X(isc_service_start) \
    X(isc_add_user) X(isc_delete_user) X(isc_modify_user) X(isc_rollback_retaining) \
    X(isc_portable_integer)

#endif
