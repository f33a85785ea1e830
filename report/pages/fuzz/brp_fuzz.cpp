// libFuzzer target over the page stream reader: any bytes, read as a stored
// page stream, must end in pages or in a stream or metafile error, never a
// crash, a hang or a runaway allocation. The first byte picks how the bytes
// are reached: a file opened as stored pages, or a stream in memory whose
// header is read and whose pages are read back and forth.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/os/Files.h"
#include "report/pages/BRPageStream.h"

namespace {

void read_pages(TBRPageList& list) {
    int count = list.PageCount();
    for (int n : {count, 1, 2, count - 1, 3, count}) {
        try {
            if (auto page = list.ReadPage(n)) (void)page->Records();
        } catch (const Exception&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    bool viaFile = data[0] & 1;
    ++data;
    --size;
    TBRPageList list;
    if (viaFile) {
        static const std::string path = os::create_temp_file("brp_fuzz_");
        try {
            TFileStream(path, fmCreate).WriteBuffer(data, int64_t(size));
            list.OpenStoredPages(path);
            read_pages(list);
        } catch (const Exception&) {
        }
        os::remove_file(path);
        return 0;
    }
    list.SetPageStream(std::make_unique<TBRStream>(1 << 20));
    list.PageStream()->WriteBuffer(data, int64_t(size));
    try {
        list.ReadPageStreamHeader();
        read_pages(list);
        list.PositionAtLastRecord();
        read_pages(list);
    } catch (const Exception&) {
    }
    return 0;
}
