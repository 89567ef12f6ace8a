// quill-pack: builds, lists, extracts and verifies data archives. It shares the
// host's format, cipher, compression and key, so what it packs the host reads.
#include "core/ArchiveBuilder.h"
#include "core/ArchiveFileSystem.h"
#include "core/ArchiveKey.h"
#include "core/Exception.h"
#include "core/Fnv.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

const char* const Usage =
    "usage:\n"
    "  quill-pack create OUT.dat DIR [--compress] [--encrypt]\n"
    "      packs every file under DIR by its path relative to DIR (\"/\" separated);\n"
    "      --compress stores entries zlib-compressed when that makes them smaller,\n"
    "      --encrypt enciphers every entry with the host's key\n"
    "  quill-pack list ARCHIVE\n"
    "      one line per entry: hash, offset, stored length, length, storage\n"
    "  quill-pack extract ARCHIVE OUTDIR [PATH...]\n"
    "      writes the named entries under OUTDIR; without names, every entry as\n"
    "      OUTDIR/<hash>.bin (the archive keeps no names)\n"
    "  quill-pack verify ARCHIVE\n"
    "      decodes every entry and reports the first one that fails\n";

struct Failure {
    std::string message;
};

// Archive paths are UTF-8, as every path in the host; the system's own
// encoding of file names may differ (Windows).
std::string utf8Of(const fs::path& path) {
    std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

fs::path pathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string readWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Failure{"cannot read " + path.string()};
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeWholeFile(const fs::path& path, const std::string& content) {
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out)
        throw Failure{"cannot write " + path.string()};
}

// A progress line that rewrites itself, shown only on a terminal and only for
// folders big enough to take a while.
class Progress {
public:
    Progress(const char* what, size_t total) : m_what(what), m_total(total), m_shown(total >= 500 && isatty(fileno(stderr))) {}
    void step(size_t done) {
        if (m_shown && (done % 100 == 0 || done == m_total))
            fprintf(stderr, "\r%s %zu/%zu files", m_what, done, m_total);
    }
    ~Progress() {
        if (m_shown)
            fprintf(stderr, "\n");
    }

private:
    const char* m_what;
    size_t m_total;
    bool m_shown;
};

// Every regular file under the folder, relative and "/" separated, sorted by
// bytes so that the same folder always packs to the same archive.
std::vector<std::string> filesUnder(const fs::path& root, const fs::path& skip) {
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        std::error_code error;
        if (!skip.empty() && fs::equivalent(entry.path(), skip, error))
            continue;
        files.push_back(utf8Of(entry.path().lexically_relative(root)));
    }
    std::sort(files.begin(), files.end());
    return files;
}

int create(const std::vector<std::string>& args) {
    if (args.size() < 2)
        throw Failure{Usage};
    fs::path out = args[0];
    fs::path root = args[1];
    core::ArchiveBuilder::Options options;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--compress")
            options.compress = true;
        else if (args[i] == "--encrypt")
            options.key = core::mainArchiveKey();
        else
            throw Failure{"unknown option " + args[i] + "\n" + Usage};
    }
    if (!fs::is_directory(root))
        throw Failure{root.string() + " is not a folder"};

    std::vector<std::string> files = filesUnder(root, out);
    core::ArchiveBuilder builder(options);
    {
        Progress progress("packing", files.size());
        for (size_t i = 0; i < files.size(); ++i) {
            builder.add(files[i], readWholeFile(root / pathOf(files[i])));
            progress.step(i + 1);
        }
    }
    // Written beside the target and renamed, so a failure never leaves half an archive.
    fs::path temporary = out;
    temporary += ".partial";
    writeWholeFile(temporary, builder.finish());
    fs::rename(temporary, out);
    printf("%s: %zu files\n", out.string().c_str(), files.size());
    return 0;
}

const char* storageName(uint32_t flags) {
    bool compressed = flags & core::archive::Compressed;
    bool encrypted = flags & core::archive::Encrypted;
    if (compressed && encrypted)
        return "compressed+encrypted";
    if (compressed)
        return "compressed";
    return encrypted ? "encrypted" : "plain";
}

std::unique_ptr<core::ArchiveFileSystem> openArchive(const std::string& path) {
    auto archive = std::make_unique<core::ArchiveFileSystem>(path);
    archive->setKey(core::mainArchiveKey());
    return archive;
}

std::string entryName(const core::archive::Entry& entry) {
    char name[16];
    snprintf(name, sizeof name, "%08" PRIx32, entry.hash);
    return name;
}

std::string contentOf(core::File& file) {
    std::string content(static_cast<size_t>(file.getLength()), '\0');
    file.read(content.data(), static_cast<int64_t>(content.size()));
    return content;
}

int list(const std::vector<std::string>& args) {
    if (args.size() != 1)
        throw Failure{Usage};
    auto archive = openArchive(args[0]);
    printf("%-8s  %10s  %10s  %10s  %s\n", "hash", "offset", "stored", "length", "storage");
    for (const core::archive::Entry& entry : archive->entries())
        printf("%08" PRIx32 "  %10" PRIu32 "  %10" PRIu32 "  %10" PRIu32 "  %s\n", entry.hash, entry.offset,
               entry.storedSize(), entry.length, storageName(entry.flags));
    printf("%zu entries\n", archive->entries().size());
    return 0;
}

int extract(const std::vector<std::string>& args) {
    if (args.size() < 2)
        throw Failure{Usage};
    auto archive = openArchive(args[0]);
    fs::path outDirectory = args[1];
    if (args.size() == 2) {
        for (const core::archive::Entry& entry : archive->entries()) {
            std::string name = entryName(entry);
            std::unique_ptr<core::File> file = archive->openEntry(entry, name);
            writeWholeFile(outDirectory / (name + ".bin"), contentOf(*file));
        }
        return 0;
    }
    for (size_t i = 2; i < args.size(); ++i) {
        std::unique_ptr<core::File> file = archive->open(args[i]);
        if (!file)
            throw Failure{"not in the archive: " + args[i]};
        writeWholeFile(outDirectory / pathOf(args[i]), contentOf(*file));
    }
    return 0;
}

int verify(const std::vector<std::string>& args) {
    if (args.size() != 1)
        throw Failure{Usage};
    auto archive = openArchive(args[0]);
    const std::vector<core::archive::Entry>& entries = archive->entries();
    Progress progress("verifying", entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string name = entryName(entries[i]);
        try {
            std::unique_ptr<core::File> file = archive->openEntry(entries[i], name);
            contentOf(*file);
        } catch (const core::Exception& e) {
            fprintf(stderr, "entry %zu (hash %s, %s): %s\n", i, name.c_str(), storageName(entries[i].flags),
                    e.getMessage());
            return 1;
        }
        progress.step(i + 1);
    }
    printf("%s: %zu entries ok\n", args[0].c_str(), entries.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fputs(Usage, stderr);
        return 2;
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "create")
            return create(args);
        if (command == "list")
            return list(args);
        if (command == "extract")
            return extract(args);
        if (command == "verify")
            return verify(args);
        fputs(Usage, stderr);
        return 2;
    } catch (const Failure& failure) {
        fprintf(stderr, "quill-pack: %s\n", failure.message.c_str());
    } catch (const core::Exception& e) {
        fprintf(stderr, "quill-pack: %s\n", e.getMessage());
    } catch (const fs::filesystem_error& e) {
        fprintf(stderr, "quill-pack: %s\n", e.what());
    }
    return 1;
}
