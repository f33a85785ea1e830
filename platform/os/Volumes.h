#pragma once
// Volumes and mounts: which mount holds a path, what kind of drive it is, its
// label, serial number, file system and space. A "drive" here is the mount that
// holds a path; nothing needs privileges.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace os {

// Drive kinds, numbered as the archive writer records them.
enum class DriveType : std::uint8_t {
    Unknown = 0,
    NoRoot = 1,    // the path leads to no mounted file system
    Removable = 2, // removable block device (USB stick, floppy, card reader)
    Fixed = 3,
    Remote = 4,    // network file system
    CdRom = 5,     // iso9660, udf
    RamDisk = 6,   // tmpfs, ramfs
};

// One line of /proc/self/mountinfo.
struct MountEntry {
    int mount_id = 0;
    unsigned dev_major = 0;
    unsigned dev_minor = 0;
    std::string root;         // folder of the file system mounted here ("/" for a whole one)
    std::string mount_point;  // where it is mounted
    std::string fs_type;      // "ext4", "vfat", "tmpfs", "nfs4", ...
    std::string source;       // "/dev/sdb1", "server:/export", "tmpfs", ...
    bool read_only = false;   // the mount or its super block is read-only
};

// Parses mountinfo text (the format of /proc/self/mountinfo, octal escapes undone).
std::vector<MountEntry> parse_mountinfo(const std::string& text);
// The mounts of this process; empty when /proc/self/mountinfo cannot be read.
std::vector<MountEntry> read_mounts();

// Absolute, normalised form of Path (against the current folder when
// relative) with symbolic links of its existing leading part resolved.
std::string absolute_path(const std::string& path);
// The nearest folder at or above Path that exists ("/" at worst).
std::string existing_folder_of(const std::string& path);
// The mount that holds Path (its nearest existing folder); the last-mounted
// of several mounts on one point wins, as the kernel's lookup does.
std::optional<MountEntry> mount_of(const std::string& path, const std::vector<MountEntry>& mounts);
std::optional<MountEntry> mount_of(const std::string& path);

// Free (available to this user, as df reports it) and total bytes of the file
// system holding Path; nullopt when statvfs fails (medium gone, dead server).
struct Space {
    std::int64_t free = 0;
    std::int64_t total = 0;
    std::uint32_t max_name_length = 0;
    bool read_only = false;
};
std::optional<Space> space_of(const std::string& path);

// Everything known about the drive that holds a path.
struct VolumeInfo {
    MountEntry mount;
    DriveType type = DriveType::Unknown;
    std::string label;       // "" when the volume has none
    std::string uuid;        // "" when the volume has none
    std::uint32_t serial = 0;
    std::string block_device; // kernel name of the whole disk ("sdb"), "" when none
    std::int64_t device_bytes = 0; // size of the block device holding the file system, 0 when none
};
// Fails (nullopt) when no mount holds the path, and for no other reason;
// no_volume_text() is the system's text for that failure (errno means
// nothing after it).
std::optional<VolumeInfo> volume_of(const std::string& path);
// "No such device", in the system's words: why volume_of failed.
std::string no_volume_text();

// Drive type of a mount by its file system and device.
DriveType drive_type_of(const MountEntry& mount);
// File-system classes used by drive_type_of.
bool is_network_fs(const std::string& fs_type);
bool is_ram_fs(const std::string& fs_type);
bool is_cd_fs(const std::string& fs_type);

// Declares Folder, everything below it and every mount point below it to be
// of the given type, whatever the device says; lets tests and trials use a
// tmpfs or a plain folder as removable medium. The environment variable
// TAMBLERO_REMOVABLE_DRIVES (folders separated by ":") does the same for
// removable drives at start of a process.
void override_drive_type(const std::string& folder, DriveType type);
void clear_drive_type_overrides();

// The label of a device as udev publishes it under DiskDir (by default
// /dev/disk/by-label): the name of the link that leads to Device, with udev's
// "\x20"-style escapes undone; "" when none.
std::string lookup_device_link(const std::string& disk_dir, const std::string& device);

// Sets the label of the volume holding Path. Labels cannot be written to a
// device without privileges; they are then recorded in the user's state
// folder ($XDG_STATE_HOME/tamblero/volume-labels, else
// ~/.local/state/tamblero/volume-labels) keyed by the volume's identity, and
// volume_of reports the recorded label from then on. False when neither works.
bool set_volume_label(const std::string& path, const std::string& label);

// Serial number derived from a file-system UUID: a FAT "ABCD-1234" gives
// 0xABCD1234, others their first eight hexadecimal digits.
std::uint32_t serial_from_uuid(const std::string& uuid);

} // namespace os
