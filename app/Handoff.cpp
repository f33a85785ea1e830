#include "app/Handoff.h"

#include "app/BackupJob.h"
#include "archive/arcCrc.h"
#include "archive/arcZip.h"
#include "archive/arcbase.h"
#include "platform/core/SysUtils.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace app {

namespace {

constexpr std::size_t kChunk = 1 << 16;
constexpr uint32_t kLocalSig = 0x04034B50, kCentralSig = 0x02014B50, kEndSig = 0x06054B50;
constexpr std::size_t kEndSize = 22, kCentralSize = 46, kLocalSize = 30;

uint32_t get16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }
uint32_t get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

std::string hex32(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

// A file opened for reading, closed with the object.
class ReadFile {
public:
    explicit ReadFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~ReadFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;

    bool is_open() const { return fd_ >= 0; }
    // A regular file's size, or -1.
    int64_t size() const {
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
        return st.st_size;
    }
    // Reads up to count bytes at offset (or at the current position when
    // offset < 0); the number read, or -1 on an error.
    int64_t read(void* buffer, std::size_t count, int64_t offset = -1) {
        std::size_t done = 0;
        auto* out = static_cast<uint8_t*>(buffer);
        while (done < count) {
            const ssize_t n = offset < 0 ? ::read(fd_, out + done, count - done)
                                         : ::pread(fd_, out + done, count - done,
                                                   static_cast<off_t>(offset + static_cast<int64_t>(done)));
            if (n < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        return static_cast<int64_t>(done);
    }
    bool read_exact(void* buffer, std::size_t count, int64_t offset) {
        return read(buffer, count, offset) == static_cast<int64_t>(count);
    }

private:
    int fd_;
};

// Inflates (method 8) or copies (method 0) `compressed` bytes at offset and
// measures what comes out; "" when the data ends exactly where it should.
std::string read_entry_data(ReadFile& file, int64_t offset, int64_t compressed, uint32_t method, FileDigest& out) {
    std::vector<uint8_t> in(kChunk), inflated(kChunk);
    uint32_t crc = 0xFFFFFFFFu;
    out = FileDigest{};
    if (method == 0) {
        for (int64_t left = compressed; left > 0;) {
            const std::size_t want = static_cast<std::size_t>(std::min<int64_t>(left, kChunk));
            if (!file.read_exact(in.data(), want, offset)) return "os dados da entrada estão truncados";
            archive::Crc32Update(in.data(), want, crc);
            offset += static_cast<int64_t>(want);
            left -= static_cast<int64_t>(want);
            out.size += static_cast<int64_t>(want);
        }
        out.crc = ~crc;
        return {};
    }
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return "o descompressor não pôde ser iniciado";
    struct End {
        z_stream& z;
        ~End() { inflateEnd(&z); }
    } end{z};
    int64_t left = compressed;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (z.avail_in == 0) {
            if (left == 0) return "os dados da entrada estão truncados";
            const std::size_t want = static_cast<std::size_t>(std::min<int64_t>(left, kChunk));
            if (!file.read_exact(in.data(), want, offset)) return "os dados da entrada estão truncados";
            offset += static_cast<int64_t>(want);
            left -= static_cast<int64_t>(want);
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(want);
        }
        z.next_out = inflated.data();
        z.avail_out = static_cast<uInt>(inflated.size());
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            return "os dados comprimidos da entrada estão corrompidos";
        const std::size_t produced = inflated.size() - z.avail_out;
        archive::Crc32Update(inflated.data(), produced, crc);
        out.size += static_cast<int64_t>(produced);
        if (status == Z_BUF_ERROR && z.avail_in != 0 && produced == 0)
            return "os dados comprimidos da entrada estão corrompidos";
    }
    if (left != 0 || z.avail_in != 0) return "os dados comprimidos da entrada não ocupam o tamanho registrado";
    out.crc = ~crc;
    return {};
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

const char* const kStays = "o arquivo de backup fica onde está";

}  // namespace

FileDigest digest_file(const std::string& path) {
    ReadFile file(path);
    if (!file.is_open() || file.size() < 0) throw Exception("não foi possível ler " + quoted(path));
    std::vector<uint8_t> buffer(kChunk);
    FileDigest digest;
    uint32_t crc = 0xFFFFFFFFu;
    for (;;) {
        const int64_t n = file.read(buffer.data(), buffer.size());
        if (n < 0) throw Exception("não foi possível ler " + quoted(path));
        if (n == 0) break;
        archive::Crc32Update(buffer.data(), static_cast<std::size_t>(n), crc);
        digest.size += n;
    }
    digest.crc = ~crc;
    return digest;
}

std::string check_single_entry_archive(const std::string& zip_path, const FileDigest& expected) {
    ReadFile file(zip_path);
    const int64_t size = file.is_open() ? file.size() : -1;
    if (size < 0) return "o arquivo compactado não pode ser lido";
    if (size < static_cast<int64_t>(kEndSize)) return "o arquivo compactado não é um arquivo ZIP";

    // The end record: the last signature whose comment reaches the end of the file.
    const int64_t tail_size = std::min<int64_t>(size, kEndSize + 0xFFFF);
    std::vector<uint8_t> tail(static_cast<std::size_t>(tail_size));
    if (!file.read_exact(tail.data(), tail.size(), size - tail_size)) return "o arquivo compactado não pode ser lido";
    int64_t end_at = -1;
    for (int64_t i = tail_size - static_cast<int64_t>(kEndSize); i >= 0; --i) {
        const uint8_t* p = tail.data() + i;
        if (get32(p) == kEndSig && i + static_cast<int64_t>(kEndSize) + get16(p + 20) == tail_size) {
            end_at = i;
            break;
        }
    }
    if (end_at < 0) return "o arquivo compactado não tem o registro final de um arquivo ZIP";
    const uint8_t* end = tail.data() + end_at;
    const int64_t end_offset = size - tail_size + end_at;
    const uint32_t entries_here = get16(end + 8), entries = get16(end + 10);
    const int64_t cd_size = get32(end + 12), cd_offset = get32(end + 16);
    if (get16(end + 4) != 0 || get16(end + 6) != 0) return "o arquivo compactado está dividido em volumes";
    if (entries != 1 || entries_here != 1)
        return "o arquivo compactado tem " + std::to_string(entries) + " entradas em vez de uma";
    if (cd_offset + cd_size != end_offset || cd_size < static_cast<int64_t>(kCentralSize))
        return "o diretório central do arquivo compactado está fora do lugar";

    std::array<uint8_t, kCentralSize> central{};
    if (!file.read_exact(central.data(), central.size(), cd_offset) || get32(central.data()) != kCentralSig)
        return "o diretório central do arquivo compactado está corrompido";
    const uint32_t flags = get16(central.data() + 8), method = get16(central.data() + 10);
    const uint32_t crc = get32(central.data() + 16);
    const int64_t compressed = get32(central.data() + 20), uncompressed = get32(central.data() + 24);
    const int64_t central_size = static_cast<int64_t>(kCentralSize) + get16(central.data() + 28) +
                                 get16(central.data() + 30) + get16(central.data() + 32);
    const int64_t local_offset = get32(central.data() + 42);
    if (central_size != cd_size) return "o diretório central do arquivo compactado está corrompido";
    if (flags & 1) return "a entrada do arquivo compactado está cifrada";
    if (method != 0 && method != 8)
        return "a entrada do arquivo compactado usa o método " + std::to_string(method) + ", que não é lido aqui";

    std::array<uint8_t, kLocalSize> local{};
    if (!file.read_exact(local.data(), local.size(), local_offset) || get32(local.data()) != kLocalSig)
        return "o cabeçalho local da entrada do arquivo compactado está corrompido";
    const int64_t data_offset =
        local_offset + static_cast<int64_t>(kLocalSize) + get16(local.data() + 26) + get16(local.data() + 28);
    if (data_offset + compressed > cd_offset) return "os dados da entrada invadem o diretório central";

    FileDigest content;
    if (std::string why = read_entry_data(file, data_offset, compressed, method, content); !why.empty()) return why;
    if (content.size != uncompressed || content.crc != crc)
        return "o conteúdo da entrada não confere com o seu registro no diretório central";
    if (content.size != expected.size)
        return "a entrada tem " + std::to_string(content.size) + " bytes e o backup tem " +
               std::to_string(expected.size);
    if (content.crc != expected.crc)
        return "o CRC-32 da entrada (" + hex32(content.crc) + ") difere do CRC-32 do backup (" + hex32(expected.crc) +
               ")";
    return {};
}

std::string hand_off_backup(archive::TZip& zip, const std::string& backup_path) {
    const std::string target = archive_path_for(backup_path);

    // The component's own error reports, kept for the line the caller prints;
    // a handler the component already had still gets every report.
    std::vector<std::string> reports;
    archive::TOnError previous = zip.OnError;
    zip.OnError = [&](archive::TZipCommon& Sender, const std::string& FileName, const std::string& ExtendedMsg,
                      const std::string& VolumeID, int ECode) {
        std::string text = archive::ErrorText(ECode);
        if (text.empty()) text = "erro " + std::to_string(ECode);
        if (!ExtendedMsg.empty() && ExtendedMsg != text) text += " (" + ExtendedMsg + ")";
        if (std::find(reports.begin(), reports.end(), text) == reports.end()) reports.push_back(text);
        if (previous) previous(Sender, FileName, ExtendedMsg, VolumeID, ECode);
    };
    struct Restore {
        archive::TZip& zip;
        archive::TOnError& previous;
        ~Restore() { zip.OnError = std::move(previous); }
    } restore{zip, previous};

    // The pass takes the one file in its folder, not same-named files in
    // sub-folders; an archive that this pass created and then rejects is
    // removed (one that was there before is left as the pass made it).
    const bool recurse = zip.RecurseDirs;
    zip.RecurseDirs = false;
    zip.FileSpec.Add(backup_path);
    zip.SetArchiveFile(target);
    const std::string archive_file = zip.ArchiveFile();
    struct stat st {};
    const bool archive_was_there = ::lstat(archive_file.c_str(), &st) == 0;
    const int written = zip.Compress();
    zip.RecurseDirs = recurse;
    const auto removed = [&]() -> std::string {
        if (archive_was_there || ::lstat(archive_file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
        return ::unlink(archive_file.c_str()) == 0 ? "; o arquivo compactado foi removido"
                                                   : "; o arquivo compactado não pôde ser removido";
    };

    if (written < 1) {
        std::string line = "não foi possível compactar " + quoted(backup_path) + " em " + quoted(archive_file);
        if (DirectoryExists(archive_file)) reports.insert(reports.begin(), "já existe uma pasta com esse nome");
        for (std::size_t i = 0; i < reports.size(); ++i) line += (i == 0 ? ": " : "; ") + reports[i];
        return line + removed() + "; " + kStays;
    }

    std::string why;
    try {
        why = check_single_entry_archive(archive_file, digest_file(backup_path));
    } catch (const Exception& e) {
        why = e.Message();
    }
    if (!why.empty())
        return "o arquivo compactado " + quoted(archive_file) + " não confere com " + quoted(backup_path) + ": " +
               why + removed() + "; " + kStays;

    if (!archive::DeleteOrRecycle(backup_path, archive::doAllowUndo))
        return "não foi possível mover " + quoted(backup_path) +
               " para a lixeira (nenhuma lixeira no mesmo sistema de arquivos o aceitou); " + kStays;
    return {};
}

}  // namespace app
