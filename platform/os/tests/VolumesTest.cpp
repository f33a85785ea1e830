// Mount table parsing, the mount of a path and udev's link names.

#include "platform/os/Volumes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "tests/support/TestSupport.h"

namespace {

const char* kMountinfo =
    "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
    "40 27 8:17 / /media/usb\\040stick rw,nosuid - vfat /dev/sdb1 rw,fmask=0022\n"
    "41 27 0:50 / /mnt/share rw - nfs4 server:/export rw,vers=4.2\n"
    "42 27 0:51 / /mnt/share/ram rw shared:5 - tmpfs tmpfs rw,size=1024k\n"
    "43 27 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
    "44 27 254:0 /srv/data /mnt/bind ro,relatime - ext4 /dev/vda rw\n"
    "45 27 0:52 / /mnt/share/ram rw - ramfs ramfs rw\n"
    "garbage line without the separator\n";

TEST(Mountinfo, FieldsEscapesAndReadOnlyFlags) {
    auto mounts = os::parse_mountinfo(kMountinfo);
    ASSERT_EQ(mounts.size(), 7u);
    EXPECT_EQ(mounts[1].mount_point, "/media/usb stick");
    EXPECT_EQ(mounts[1].fs_type, "vfat");
    EXPECT_EQ(mounts[1].source, "/dev/sdb1");
    EXPECT_EQ(mounts[1].dev_major, 8u);
    EXPECT_EQ(mounts[1].dev_minor, 17u);
    EXPECT_EQ(mounts[3].fs_type, "tmpfs"); // optional field "shared:5" skipped
    EXPECT_TRUE(mounts[4].read_only);
    EXPECT_TRUE(mounts[5].read_only);      // read-only bind of a writable super block
    EXPECT_EQ(mounts[5].root, "/srv/data");
    EXPECT_FALSE(mounts[0].read_only);
}

TEST(Mountinfo, MountOfAPathIsTheLongestAndLatestMatch) {
    auto mounts = os::parse_mountinfo(kMountinfo);
    struct Case {
        const char* path;
        const char* mount_point;
        const char* fs;
    };
    for (const Case& c : {Case{"/media/usb stick/backup/x.zip", "/media/usb stick", "vfat"},
                          Case{"/media/usb sticker", "/", "ext4"},
                          Case{"/mnt/share/a", "/mnt/share", "nfs4"},
                          Case{"/mnt/share/ram/a", "/mnt/share/ram", "ramfs"},
                          Case{"/", "/", "ext4"}}) {
        auto m = os::mount_of(c.path, mounts);
        ASSERT_TRUE(m) << c.path;
        EXPECT_EQ(m->mount_point, c.mount_point) << c.path;
        EXPECT_EQ(m->fs_type, c.fs) << c.path;
    }
}

TEST(DriveTypes, ByFileSystemAndOverride) {
    auto mounts = os::parse_mountinfo(kMountinfo);
    os::clear_drive_type_overrides();
    EXPECT_EQ(os::drive_type_of(mounts[2]), os::DriveType::Remote);
    EXPECT_EQ(os::drive_type_of(mounts[3]), os::DriveType::RamDisk);
    EXPECT_EQ(os::drive_type_of(mounts[4]), os::DriveType::CdRom);
    EXPECT_EQ(os::drive_type_of(mounts[6]), os::DriveType::RamDisk);
    os::override_drive_type("/mnt/share", os::DriveType::Removable);
    EXPECT_EQ(os::drive_type_of(mounts[2]), os::DriveType::Removable);
    EXPECT_EQ(os::drive_type_of(mounts[3]), os::DriveType::Removable); // below the folder
    EXPECT_EQ(os::drive_type_of(mounts[4]), os::DriveType::CdRom);
    os::clear_drive_type_overrides();
    EXPECT_EQ(os::drive_type_of(mounts[2]), os::DriveType::Remote);
}

TEST(DeviceLinks, LabelOfTheLinkLeadingToTheDevice) {
    test_support::ScratchDir scratch("links");
    std::filesystem::path dir = scratch.path();
    std::ofstream(dir / "dev1").put('x');
    std::ofstream(dir / "dev2").put('y');
    std::filesystem::create_directory(dir / "by-label");
    std::filesystem::create_symlink("../dev1", dir / "by-label" / "MY\\x20DISK");
    std::filesystem::create_symlink("../dev2", dir / "by-label" / "OTHER");
    EXPECT_EQ(os::lookup_device_link((dir / "by-label").string(), (dir / "dev1").string()), "MY DISK");
    EXPECT_EQ(os::lookup_device_link((dir / "by-label").string(), (dir / "dev2").string()), "OTHER");
    EXPECT_EQ(os::lookup_device_link((dir / "by-label").string(), "tmpfs"), "");
    EXPECT_EQ(os::lookup_device_link((dir / "missing").string(), (dir / "dev1").string()), "");
}

TEST(Serials, FromUuids) {
    EXPECT_EQ(os::serial_from_uuid("ABCD-1234"), 0xABCD1234u);
    EXPECT_EQ(os::serial_from_uuid("0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0"), 0x0F1E2D3Cu);
    EXPECT_EQ(os::serial_from_uuid(""), 0u);
}

TEST(Paths, ExistingFolderAndAbsolutePath) {
    auto cwd = std::filesystem::current_path().string();
    EXPECT_EQ(os::absolute_path("a/../b/"), os::absolute_path(cwd + "/b"));
    EXPECT_EQ(os::existing_folder_of("/nonexistent-folder-xyz/deeper/file.zip"), "/");
    EXPECT_EQ(os::existing_folder_of(cwd + "/no-such-file.zip"), std::filesystem::canonical(cwd).string());
}

TEST(Space, OfTheRootAndOfAMissingPath) {
    auto s = os::space_of("/");
    ASSERT_TRUE(s);
    EXPECT_GT(s->total, 0);
    EXPECT_GE(s->total, s->free);
    EXPECT_FALSE(os::space_of("/nonexistent-folder-xyz"));
}

} // namespace
