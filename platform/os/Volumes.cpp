#include "platform/os/Volumes.h"
#include "platform/os/ReplacingFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/os/Files.h"
#include <map>
#include <mutex>
#include <sstream>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace os {
namespace {

// A small system file (proc, sys), "" when it cannot be read.
std::string read_text_or_empty(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r')) s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return s.substr(i);
}

// mountinfo escapes space, tab, newline and backslash as \ooo.
std::string unescape_octal(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' &&
            s[i + 2] >= '0' && s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool has_option(const std::string& options, const std::string& opt) {
    std::size_t start = 0;
    while (start <= options.size()) {
        std::size_t comma = options.find(',', start);
        if (comma == std::string::npos) comma = options.size();
        if (options.compare(start, comma - start, opt) == 0 && comma - start == opt.size()) return true;
        start = comma + 1;
    }
    return false;
}

// True when Path is Prefix or lies below it (both absolute and normalised).
bool path_within(const std::string& path, const std::string& prefix) {
    if (prefix == "/") return !path.empty() && path[0] == '/';
    if (path.size() < prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return false;
    return path.size() == prefix.size() || path[prefix.size()] == '/';
}

struct Overrides {
    std::mutex lock;
    std::vector<std::pair<std::string, DriveType>> folders;
    bool env_read = false;
};

Overrides& overrides() {
    static Overrides o; // built on first use, not at start-up
    return o;
}

std::optional<DriveType> override_for(const std::string& mount_point) {
    Overrides& o = overrides();
    std::lock_guard<std::mutex> g(o.lock);
    if (!o.env_read) {
        o.env_read = true;
        if (const char* env = std::getenv("TAMBLERO_REMOVABLE_DRIVES")) {
            std::string list = env;
            std::size_t start = 0;
            while (start <= list.size()) {
                std::size_t colon = list.find(':', start);
                if (colon == std::string::npos) colon = list.size();
                std::string folder = list.substr(start, colon - start);
                if (!folder.empty()) o.folders.emplace_back(absolute_path(folder), DriveType::Removable);
                start = colon + 1;
            }
        }
    }
    // The latest declaration that covers the mount point wins.
    for (auto it = o.folders.rbegin(); it != o.folders.rend(); ++it)
        if (path_within(mount_point, it->first)) return it->second;
    return std::nullopt;
}

std::string sys_block_dir(unsigned major, unsigned minor) {
    std::error_code ec;
    fs::path link = "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    fs::path real = fs::canonical(link, ec);
    if (ec) return {};
    return real.string();
}

// The whole-disk folder in sysfs of a block device (a partition's parent).
std::string whole_disk_dir(unsigned major, unsigned minor) {
    std::string dir = sys_block_dir(major, minor);
    if (dir.empty()) return {};
    std::error_code ec;
    if (fs::exists(dir + "/partition", ec)) return fs::path(dir).parent_path().string();
    return dir;
}

std::string state_labels_file() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/') base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) base = std::string(home) + "/.local/state";
    else return {};
    return base + "/tamblero/volume-labels";
}

std::string volume_key(const MountEntry& m, const std::string& uuid) {
    if (!uuid.empty()) return "uuid:" + uuid;
    // Device numbers and mount ids are reused after an unmount; the birth
    // time of the mounted root tells one mounting from the next.
    std::string key = "dev:" + std::to_string(m.dev_major) + ":" + std::to_string(m.dev_minor) + ":" +
                      std::to_string(m.mount_id);
    struct statx sx{};
    if (::statx(AT_FDCWD, m.mount_point.c_str(), AT_NO_AUTOMOUNT, STATX_BTIME, &sx) == 0 &&
        (sx.stx_mask & STATX_BTIME))
        key += ":" + std::to_string(sx.stx_btime.tv_sec) + "." + std::to_string(sx.stx_btime.tv_nsec);
    return key;
}

std::map<std::string, std::string> read_recorded_labels() {
    std::map<std::string, std::string> labels;
    std::string file = state_labels_file();
    if (file.empty()) return labels;
    std::istringstream in(read_text_or_empty(file));
    std::string line;
    while (std::getline(in, line)) {
        std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        labels[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return labels;
}

std::uint32_t fnv1a(const std::string& s) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : s) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

} // namespace

std::vector<MountEntry> parse_mountinfo(const std::string& text) {
    std::vector<MountEntry> mounts;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        std::string w;
        while (fields >> w) f.push_back(w);
        // id parent maj:min root mount-point options [optional...] - fstype source super-options
        auto dash = std::find(f.begin(), f.end(), "-");
        if (f.size() < 6 || dash == f.end() || std::distance(dash, f.end()) < 3) continue;
        MountEntry m;
        m.mount_id = std::atoi(f[0].c_str());
        if (std::sscanf(f[2].c_str(), "%u:%u", &m.dev_major, &m.dev_minor) != 2) continue;
        m.root = unescape_octal(f[3]);
        m.mount_point = unescape_octal(f[4]);
        m.fs_type = unescape_octal(*(dash + 1));
        m.source = unescape_octal(*(dash + 2));
        m.read_only = has_option(f[5], "ro") || has_option(*(dash + 3), "ro");
        mounts.push_back(std::move(m));
    }
    return mounts;
}

std::vector<MountEntry> read_mounts() { return parse_mountinfo(read_text_or_empty("/proc/self/mountinfo")); }

std::string absolute_path(const std::string& path) {
    std::error_code ec;
    fs::path p = path.empty() ? fs::current_path(ec) : fs::path(path);
    if (p.is_relative()) p = fs::current_path(ec) / p;
    // weakly_canonical resolves the links of the existing leading part.
    fs::path w = fs::weakly_canonical(p, ec);
    if (ec) w = p.lexically_normal();
    std::string s = w.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s.empty() ? "/" : s;
}

std::string existing_folder_of(const std::string& path) {
    fs::path p = absolute_path(path);
    std::error_code ec;
    while (!p.empty() && p != p.root_path()) {
        if (fs::is_directory(p, ec)) return p.string();
        p = p.parent_path();
    }
    return "/";
}

std::optional<MountEntry> mount_of(const std::string& path, const std::vector<MountEntry>& mounts) {
    std::string abs = absolute_path(path);
    const MountEntry* best = nullptr;
    for (const MountEntry& m : mounts) {
        if (!path_within(abs, m.mount_point)) continue;
        if (!best || m.mount_point.size() >= best->mount_point.size()) best = &m;
    }
    if (!best) return std::nullopt;
    return *best;
}

std::optional<MountEntry> mount_of(const std::string& path) { return mount_of(path, read_mounts()); }

std::optional<Space> space_of(const std::string& path) {
    struct statvfs st{};
    if (::statvfs(path.c_str(), &st) != 0) return std::nullopt;
    Space s;
    std::uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    s.free = static_cast<std::int64_t>(static_cast<std::uint64_t>(st.f_bavail) * unit);
    s.total = static_cast<std::int64_t>(static_cast<std::uint64_t>(st.f_blocks) * unit);
    s.max_name_length = static_cast<std::uint32_t>(st.f_namemax);
    s.read_only = (st.f_flag & ST_RDONLY) != 0;
    return s;
}

bool is_network_fs(const std::string& t) {
    static const char* const kinds[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs",
                                        "coda", "9p", "ceph", "glusterfs", "lustre", "gfs2",
                                        "ocfs2", "davfs", "fuse.sshfs", "fuse.davfs",
                                        "fuse.glusterfs", "fuse.rclone", "fuse.s3fs"};
    for (const char* k : kinds)
        if (t == k) return true;
    return false;
}

bool is_ram_fs(const std::string& t) { return t == "tmpfs" || t == "ramfs"; }

bool is_cd_fs(const std::string& t) { return t == "iso9660" || t == "udf"; }

DriveType drive_type_of(const MountEntry& m) {
    if (auto o = override_for(m.mount_point)) return *o;
    if (is_network_fs(m.fs_type)) return DriveType::Remote;
    if (is_cd_fs(m.fs_type)) return DriveType::CdRom;
    if (is_ram_fs(m.fs_type)) return DriveType::RamDisk;
    if (m.dev_major != 0) {
        std::string disk = whole_disk_dir(m.dev_major, m.dev_minor);
        if (!disk.empty() && trim(read_text_or_empty(disk + "/removable")) == "1") return DriveType::Removable;
    }
    return DriveType::Fixed;
}

void override_drive_type(const std::string& folder, DriveType type) {
    std::string abs = absolute_path(folder);
    override_for("/"); // reads the environment first, so later calls win over it
    Overrides& o = overrides();
    std::lock_guard<std::mutex> g(o.lock);
    o.folders.emplace_back(abs, type);
}

void clear_drive_type_overrides() {
    Overrides& o = overrides();
    std::lock_guard<std::mutex> g(o.lock);
    o.folders.clear();
    o.env_read = true;
}

std::string lookup_device_link(const std::string& disk_dir, const std::string& device) {
    std::error_code ec;
    if (device.empty() || device[0] != '/') return {};
    fs::path dev = fs::canonical(device, ec);
    if (ec) return {};
    for (fs::directory_iterator it(disk_dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        fs::path target = fs::canonical(it->path(), ec2);
        if (ec2 || target != dev) continue;
        // udev writes unsafe characters as \xHH.
        std::string name = it->path().filename().string(), out;
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
                std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
                std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
                out += static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16));
                i += 3;
            } else {
                out += name[i];
            }
        }
        return out;
    }
    return {};
}

std::uint32_t serial_from_uuid(const std::string& uuid) {
    std::string hex;
    for (char c : uuid) {
        if (std::isxdigit(static_cast<unsigned char>(c))) hex += c;
        if (hex.size() == 8) break;
    }
    if (hex.empty()) return 0;
    return static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16));
}

std::optional<VolumeInfo> volume_of(const std::string& path) {
    std::string folder = existing_folder_of(path);
    auto mount = mount_of(folder);
    if (!mount) return std::nullopt;
    VolumeInfo v;
    v.mount = *mount;
    // A folder declared to be a drive of its own kind counts as such even
    // where it is no mount point.
    auto declared = override_for(folder);
    v.type = declared ? *declared : drive_type_of(v.mount);
    v.label = lookup_device_link("/dev/disk/by-label", v.mount.source);
    v.uuid = lookup_device_link("/dev/disk/by-uuid", v.mount.source);
    if (v.mount.dev_major != 0) {
        std::string disk = whole_disk_dir(v.mount.dev_major, v.mount.dev_minor);
        if (!disk.empty()) v.block_device = fs::path(disk).filename().string();
        std::string part = sys_block_dir(v.mount.dev_major, v.mount.dev_minor);
        if (!part.empty()) {
            std::string sectors = trim(read_text_or_empty(part + "/size"));
            if (!sectors.empty()) v.device_bytes = std::atoll(sectors.c_str()) * 512;
        }
    }
    auto recorded = read_recorded_labels();
    if (auto it = recorded.find(volume_key(v.mount, v.uuid)); it != recorded.end()) v.label = it->second;
    v.serial = serial_from_uuid(v.uuid);
    if (v.serial == 0) {
        // No UUID (tmpfs, network shares): every mounting is a medium of its own.
        v.serial = fnv1a(volume_key(v.mount, "") + ":" + v.mount.source + ":" + v.mount.root);
        if (v.serial == 0) v.serial = 1;
    }
    return v;
}

std::string no_volume_text() { return std::strerror(ENODEV); }

bool set_volume_label(const std::string& path, const std::string& label) {
    auto v = volume_of(path);
    if (!v) return false;
    std::string file = state_labels_file();
    if (file.empty()) return false;
    auto labels = read_recorded_labels();
    labels[volume_key(v->mount, v->uuid)] = label;
    std::error_code ec;
    fs::create_directories(fs::path(file).parent_path(), ec);
    // Replace the record file whole.
    std::string text;
    for (const auto& [key, value] : labels) text += key + '\t' + value + '\n';
    try {
        write_file(file, text);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

} // namespace os
