#include "tools/start/apply_upgrades.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <utility>

#include "framework/net/communicator.h"
#include "services/upgrade/upgradelist.h"

namespace fs = std::filesystem;

static_assert(kMaxUpgradeBytes == static_cast<std::uint64_t>(Communicator::kMaxFileBytes),
              "an upgrade may be as large as the largest download");

namespace {

constexpr const char* kGzList = "system/gzlist";

std::string errorText(int err) { return std::strerror(err); }

// A descriptor, closed with its holder.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::vector<std::string> segmentsOf(const std::string& name) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = name.find('/', start);
        segments.push_back(name.substr(start, slash == std::string::npos ? slash : slash - start));
        if (slash == std::string::npos) return segments;
        start = slash + 1;
    }
}

// A list line in its one spelling, "." and empty segments dropped
// ("./user/a", "system//b"); empty for a path from the root.
std::string oneSpelling(const std::string& line) {
    if (line.empty() || line.front() == '/') return {};
    std::string out;
    for (const std::string& segment : segmentsOf(line)) {
        if (segment.empty() || segment == ".") continue;
        if (!out.empty()) out += '/';
        out += segment;
    }
    return out;
}

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

bool hasControl(const std::string& line) {
    for (char c : line)
        if (isControl(static_cast<unsigned char>(c))) return true;
    return false;
}

// A line fit to print: control characters as "\xNN".
std::string printable(const std::string& line) {
    std::string out;
    for (char c : line) {
        if (!isControl(static_cast<unsigned char>(c))) {
            out += c;
            continue;
        }
        char code[5];
        std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned char>(c));
        out += code;
    }
    return out;
}

std::string sizeText(std::uint64_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= (1u << 10) && bytes % (1u << 10) == 0) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

bool allDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The process that made a temporary file of a replacement, by its name
// ("<name>.tmp-<process>-<n>"); 0 when the name is not one.
long temporaryOwner(const std::string& file) {
    const std::size_t counter = file.rfind('-');
    if (counter == std::string::npos || counter < 6 || !allDigits(file.substr(counter + 1))) return 0;
    const std::size_t process = file.rfind('-', counter - 1);
    // ".tmp-" after a name of at least one character.
    if (process == std::string::npos || process < 5 || file.compare(process - 4, 5, ".tmp-") != 0) return 0;
    const std::string number = file.substr(process + 1, counter - process - 1);
    if (number.size() > 9 || !allDigits(number)) return 0;
    return std::stol(number);
}

// Removes the temporary files of replacements whose process has ended (a
// run killed half-way); none of another run still going. Symbolic links
// to folders are not followed.
void removeUnfinishedFiles(const std::string& folder, std::vector<std::string>* removed) {
    std::error_code ec;
    const long self = ::getpid();
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->symlink_status(typeError).type() != fs::file_type::regular) continue;
        const long owner = temporaryOwner(it->path().filename().string());
        if (owner <= 0 || owner == self) continue;
        if (::kill(static_cast<pid_t>(owner), 0) == 0 || errno != ESRCH) continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError)) removed->push_back(fs::relative(it->path(), folder).generic_string());
    }
}

enum class Way { Open, Missing, Refused };

// Opens the folder of the first `count` segments below `top`, never through
// a symbolic link; with `make` the missing folders are made. Else *why
// tells what stopped the way ("system/docs is a symbolic link").
Way openFolder(int top, const std::vector<std::string>& segments, std::size_t count, bool make, Descriptor* out,
               std::string* why) {
    Descriptor dir(::fcntl(top, F_DUPFD_CLOEXEC, 0));
    if (!dir.valid()) {
        *why = "the program folder cannot be opened (" + errorText(errno) + ")";
        return Way::Refused;
    }
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        const char* segment = segments[i].c_str();
        path += (i ? "/" : "") + segments[i];
        struct stat st;
        if (::fstatat(dir.get(), segment, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            const int err = errno;
            if (err == ENOENT && make) {
                if (::mkdirat(dir.get(), segment, 0777) != 0 && errno != EEXIST) {
                    *why = path + " cannot be made (" + errorText(errno) + ")";
                    return Way::Refused;
                }
            } else {
                *why = path + " cannot be opened (" + errorText(err) + ")";
                return err == ENOENT || err == ENOTDIR ? Way::Missing : Way::Refused;
            }
        } else if (S_ISLNK(st.st_mode)) {
            *why = path + " is a symbolic link";
            return Way::Refused;
        } else if (!S_ISDIR(st.st_mode)) {
            *why = path + " is not a folder";
            return Way::Missing;
        }
        Descriptor next(::openat(dir.get(), segment, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            *why =
                errno == ELOOP ? path + " is a symbolic link" : path + " cannot be opened (" + errorText(errno) + ")";
            return Way::Refused;
        }
        dir = std::move(next);
    }
    *out = std::move(dir);
    return Way::Open;
}

enum class Made { Ok, Refused, Failed };

// A new file written beside `name` in a folder, under a temporary name that
// fits the longest file name; put() renames it over `name` in one step, and
// one that is not put is removed. The file it replaces must be a plain file
// (not a symbolic link); the new one keeps its permissions.
class PendingFile {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() { discard(); }

    // Refused (with why "is a symbolic link" or "is not a plain file") for
    // what is there now, Failed when no temporary file can be made.
    Made create(int folder, const std::string& name, std::string* why) {
        folder_ = Descriptor(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
        name_ = name;
        struct stat st;
        const bool exists = ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (exists && S_ISLNK(st.st_mode)) {
            *why = "is a symbolic link";
            return Made::Refused;
        }
        if (exists && !S_ISREG(st.st_mode)) {
            *why = "is not a plain file";
            return Made::Refused;
        }
        int err = 0;
        for (int attempt = 0; attempt < 10 && !file_.valid(); ++attempt) {
            temporary_ = temporaryName(name);
            file_ = Descriptor(::openat(folder_.get(), temporary_.c_str(),
                                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            err = errno;
            if (!file_.valid() && err != EEXIST) break;
        }
        if (!file_.valid()) {
            temporary_.clear();
            *why = "create: " + errorText(err);
            return Made::Failed;
        }
        if (exists) ::fchmod(file_.get(), st.st_mode & 07777);
        return Made::Ok;
    }

    bool isOpen() const { return file_.valid(); }

    bool write(const unsigned char* data, std::size_t size, std::string* why) {
        while (size > 0) {
            const ssize_t n = ::write(file_.get(), data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                *why = "write: " + errorText(errno);
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    // Flushed to the disk, then renamed over the name.
    bool put(std::string* why) {
        if (::fdatasync(file_.get()) != 0) {
            *why = "flush: " + errorText(errno);
            return false;
        }
        if (::close(file_.release()) != 0) {
            *why = "close: " + errorText(errno);
            return false;
        }
        if (::renameat(folder_.get(), temporary_.c_str(), folder_.get(), name_.c_str()) != 0) {
            *why = "rename: " + errorText(errno);
            return false;
        }
        temporary_.clear();
        return true;
    }

    void discard() {
        file_.reset();
        if (!temporary_.empty()) ::unlinkat(folder_.get(), temporary_.c_str(), 0);
        temporary_.clear();
    }

private:
    static std::string temporaryName(const std::string& name) {
        static unsigned counter = 0;
        const std::string suffix = ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
        return name.substr(0, NAME_MAX - suffix.size()) + suffix;
    }

    Descriptor folder_;
    Descriptor file_;
    std::string name_;
    std::string temporary_;
};

enum class Unpacked { Whole, Empty, CutShort, Damaged, NoMemory, TooLarge, ReadFailed, WriteFailed };

const char* reasonOf(Unpacked u) {
    switch (u) {
    case Unpacked::Empty: return "empty";
    case Unpacked::CutShort: return "cut short";
    case Unpacked::Damaged: return "damaged";
    case Unpacked::NoMemory: return "no memory";
    default: return "cannot be unpacked";
    }
}

// Unpacks the gzip members that `read` gives (a count of bytes, 0 at the
// end, -1 on a failure) into `write` (false stops), a piece at a time, at
// most maxBytes in all.
Unpacked unpackMembers(const std::function<long(unsigned char*, std::size_t)>& read,
                       const std::function<bool(const unsigned char*, std::size_t)>& write, std::uint64_t maxBytes) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK) return Unpacked::NoMemory;  // gzip wrapping only
    std::vector<unsigned char> in(65536), out(65536);
    std::uint64_t total = 0;
    bool readAny = false, memberEnded = false, outputFull = false;
    Unpacked result = Unpacked::Damaged;
    for (;;) {
        if (z.avail_in == 0 && !outputFull) {
            const long n = read(in.data(), in.size());
            if (n < 0) {
                result = Unpacked::ReadFailed;
                break;
            }
            if (n == 0) {
                result = !readAny ? Unpacked::Empty : memberEnded ? Unpacked::Whole : Unpacked::CutShort;
                break;
            }
            readAny = true;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(n);
            if (memberEnded) {
                inflateReset(&z);  // a further member follows
                memberEnded = false;
            }
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const int rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = out.size() - z.avail_out;
        outputFull = rc == Z_OK && z.avail_out == 0;
        total += produced;
        if (total > maxBytes) {
            result = Unpacked::TooLarge;
            break;
        }
        if (produced > 0 && !write(out.data(), produced)) {
            result = Unpacked::WriteFailed;
            break;
        }
        if (rc == Z_STREAM_END) {
            memberEnded = z.avail_in == 0;
            if (!memberEnded) inflateReset(&z);  // a further member in the same piece
            continue;
        }
        if (rc == Z_OK || (rc == Z_BUF_ERROR && z.avail_in == 0)) continue;  // more to come
        result = rc == Z_MEM_ERROR ? Unpacked::NoMemory : Unpacked::Damaged;
        break;
    }
    inflateEnd(&z);
    return result;
}

long readSome(int fd, unsigned char* buffer, std::size_t size, int* err) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) {
            *err = errno;
            return -1;
        }
    }
}

// The list of upgrades, a plain file in the folder "system" (open).
bool readList(int system, std::string* list, std::string* why) {
    Descriptor file(::openat(system, "gzlist", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) {
        if (errno == ENOENT) return false;
        *why = std::string(kGzList) +
               (errno == ELOOP ? " is a symbolic link" : " cannot be read (" + errorText(errno) + ")");
        return false;
    }
    struct stat st;
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *why = std::string(kGzList) + " is not a plain file";
        return false;
    }
    unsigned char piece[65536];
    int err = 0;
    for (long n; (n = readSome(file.get(), piece, sizeof piece, &err)) != 0;) {
        if (n < 0) {
            *why = std::string(kGzList) + " cannot be read (" + errorText(err) + ")";
            return false;
        }
        list->append(reinterpret_cast<const char*>(piece), static_cast<std::size_t>(n));
    }
    return true;
}

// Applies the upgrade of one line of the list.
class LineApplier {
public:
    LineApplier(int top, std::uint64_t maxBytes, UpgradeReport* report)
        : top_(top), maxBytes_(maxBytes), report_(report) {}

    void apply(const std::string& line) {
        if (hasControl(line)) {
            problem(printable(line) + " has a control character in its name; skipped");
            return;
        }
        const std::string stored = oneSpelling(line);
        const std::vector<std::string> segments = segmentsOf(stored);
        const std::string& storedBase = segments.back();
        const bool packed = storedBase.size() > 3 && storedBase.compare(storedBase.size() - 3, 3, ".gz") == 0;
        const std::string name = packed ? stored.substr(0, stored.size() - 3) : std::string();
        if (!packed || !isSafeUpgradeName(name)) {
            problem(line + " is not a packed file of the program folder; skipped");
            return;
        }
        if (!seen_.insert(stored).second) return;
        if (name == kGzList) {
            problem(stored + " would replace the list of upgrades; skipped");
            return;
        }
        applyPacked(stored, name, segments);
    }

private:
    void problem(const std::string& text) { report_->problems.push_back(text); }

    void applyPacked(const std::string& stored, const std::string& name, const std::vector<std::string>& segments) {
        const std::string keep = name + " stays as it was";
        const std::string& storedBase = segments.back();
        const std::string base = storedBase.substr(0, storedBase.size() - 3);
        std::string why;
        Descriptor folder;
        switch (openFolder(top_, segments, segments.size() - 1, false, &folder, &why)) {
        case Way::Missing: problem(stored + " is missing; " + keep); return;
        case Way::Refused: problem(why + "; " + keep); return;
        case Way::Open: break;
        }
        Descriptor source(::openat(folder.get(), storedBase.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!source.valid()) {
            const int err = errno;
            problem(stored +
                    (err == ENOENT  ? " is missing; "
                     : err == ELOOP ? " is a symbolic link; "
                                    : " cannot be read (" + errorText(err) + "); ") +
                    keep);
            return;
        }
        struct stat st;
        if (::fstat(source.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            problem(stored + " is not a plain file; " + keep);
            return;
        }
        // A stored file that is too large or does not unpack is a broken
        // download: it is dropped.
        const auto dropStored = [&] { ::unlinkat(folder.get(), storedBase.c_str(), 0); };
        if (static_cast<std::uint64_t>(st.st_size) > maxBytes_) {
            problem(stored + " is larger than " + sizeText(maxBytes_) + "; " + keep);
            dropStored();
            return;
        }

        PendingFile installed;
        switch (installed.create(folder.get(), base, &why)) {
        case Made::Refused: problem(name + " " + why + "; it stays as it was"); return;
        case Made::Failed: problem(name + " cannot be replaced (" + why + "); it stays as it was"); return;
        case Made::Ok: break;
        }
        // The layout never touches the player's own "user/" files: they
        // need no kept copy, and one would undo the player's later changes.
        const bool players = segments.front() == "user";
        PendingFile kept;
        std::string keptWhy;
        if (!players) openKept(segments, base, &kept, &keptWhy);

        int readError = 0;
        const Unpacked result = unpackMembers(
            [&](unsigned char* buffer, std::size_t size) { return readSome(source.get(), buffer, size, &readError); },
            [&](const unsigned char* data, std::size_t size) {
                if (kept.isOpen() && !kept.write(data, size, &keptWhy)) kept.discard();
                return installed.write(data, size, &why);
            },
            maxBytes_);
        switch (result) {
        case Unpacked::Whole: break;
        case Unpacked::TooLarge:
            problem(stored + " unpacks to more than " + sizeText(maxBytes_) + "; " + keep);
            dropStored();
            return;
        case Unpacked::ReadFailed: problem(stored + " cannot be read (" + errorText(readError) + "); " + keep); return;
        case Unpacked::WriteFailed: problem(name + " cannot be replaced (" + why + "); it stays as it was"); return;
        default:
            problem(stored + " does not unpack (" + reasonOf(result) + "); " + keep);
            dropStored();
            return;
        }
        if (!installed.put(&why)) {
            problem(name + " cannot be replaced (" + why + "); it stays as it was");
            return;
        }
        if (!players && (!kept.isOpen() || !kept.put(&keptWhy)))
            problem(name + " is upgraded, but no copy could be kept (" + keptWhy +
                    "); the next start lays out the shipped file again");
        dropStored();
        report_->applied.push_back(name);
    }

    // The kept copy's pending file under "upgrades/", its folders made;
    // else the reason in *why.
    void openKept(const std::vector<std::string>& segments, const std::string& base, PendingFile* kept,
                  std::string* why) {
        std::vector<std::string> keptSegments = {kKeptUpgrades};
        keptSegments.insert(keptSegments.end(), segments.begin(), segments.end() - 1);
        Descriptor folder;
        if (openFolder(top_, keptSegments, keptSegments.size(), true, &folder, why) != Way::Open) return;
        std::string path;
        for (const std::string& s : keptSegments) path += s + "/";
        if (kept->create(folder.get(), base, why) == Made::Refused) *why = path + base + " " + *why;
    }

    int top_;
    std::uint64_t maxBytes_;
    UpgradeReport* report_;
    std::set<std::string> seen_;
};

}  // namespace

bool gunzipAll(const std::string& packed, std::string* out, std::string* why) {
    out->clear();
    std::size_t at = 0;
    const Unpacked result = unpackMembers(
        [&](unsigned char* buffer, std::size_t size) {
            const std::size_t n = std::min(size, packed.size() - at);
            std::memcpy(buffer, packed.data() + at, n);
            at += n;
            return static_cast<long>(n);
        },
        [&](const unsigned char* data, std::size_t size) {
            out->append(reinterpret_cast<const char*>(data), size);
            return true;
        },
        UINT64_MAX);
    if (result == Unpacked::Whole) return true;
    out->clear();
    *why = reasonOf(result);
    return false;
}

UpgradeReport applyUpgrades(const std::string& programFolder, std::uint64_t maxFileBytes) {
    UpgradeReport report;
    removeUnfinishedFiles(programFolder, &report.removed);
    Descriptor top(::open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.valid()) return report;
    std::string why;
    Descriptor system;
    const Way way = openFolder(top.get(), {"system"}, 1, false, &system, &why);
    if (way != Way::Open) {
        if (way == Way::Refused) report.problems.push_back(why + "; no upgrade is applied");
        return report;
    }
    std::string list;
    why.clear();
    if (!readList(system.get(), &list, &why)) {
        if (!why.empty()) report.problems.push_back(why + "; no upgrade is applied");
        return report;
    }

    LineApplier applier(top.get(), maxFileBytes, &report);
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) applier.apply(line);
    }
    PendingFile emptied;
    if (emptied.create(system.get(), "gzlist", &why) != Made::Ok || !emptied.put(&why))
        report.problems.push_back(std::string(kGzList) + " cannot be emptied (" + why + ")");
    return report;
}
