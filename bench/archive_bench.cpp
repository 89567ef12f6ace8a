// Reads every file of a content tree through the archive, once per storage
// kind, and the same files loose from disk. The tree: 2,000 small files of 1 to
// 4 KiB (text) and 20 files of 1 MiB, half compressible text, half random.
//
//   build/bin/archive_bench                      figures in MB/s and files/s
//   QUILL_BENCH_TREE=DIR build/bin/archive_bench  keeps the tree in DIR, for
//                                                 comparing with other readers
#include "core/ArchiveBuilder.h"
#include "core/ArchiveFileSystem.h"
#include "core/ArchiveKey.h"
#include "core/Random.h"
#include "core/StdFileSystem.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Tree {
    std::string root;
    std::vector<std::string> small;
    std::vector<std::string> large;
    std::vector<std::string> all;
    std::string archives[4];  // plain, compressed, encrypted, both
};

// Words drawn at random compress about as well as scripts and definitions do.
std::string text(core::MersenneTwister& random, size_t size) {
    static const char* const words[] = {"local", "function", "return", "end", "if", "then", "else", "for",
                                        "in", "pairs", "self", "node", "position", "material", "texture",
                                        "=", "(", ")", "{", "}", ",", "0.5", "1", "true", "nil", "\n"};
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size) {
        out += words[random.next() % (sizeof words / sizeof *words)];
        out += ' ';
    }
    out.resize(size);
    return out;
}

std::string noise(core::MersenneTwister& random, size_t size) {
    std::string out(size, '\0');
    for (char& byte : out)
        byte = static_cast<char>(random.next() >> 24);
    return out;
}

void writeFile(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    FILE* file = fopen(path.c_str(), "wb");
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
}

const Tree& tree() {
    static Tree made = [] {
        Tree t;
        const char* kept = getenv("QUILL_BENCH_TREE");
        t.root = kept ? kept : (fs::temp_directory_path() / ("quill-bench-" + std::to_string(getpid()))).string();
        core::MersenneTwister random;
        core::ArchiveBuilder plain({false, ""});
        core::ArchiveBuilder compressed({true, ""});
        core::ArchiveBuilder encrypted({false, core::mainArchiveKey()});
        core::ArchiveBuilder both({true, core::mainArchiveKey()});
        auto add = [&](const std::string& path, const std::string& content) {
            writeFile(t.root + "/tree/" + path, content);
            for (core::ArchiveBuilder* builder : {&plain, &compressed, &encrypted, &both})
                builder->add(path, content);
            t.all.push_back(path);
        };
        for (int i = 0; i < 2000; ++i) {
            std::string path = "small/" + std::to_string(i % 20) + "/file" + std::to_string(i) + ".lua";
            add(path, text(random, 1024 + random.next() % 3073));
            t.small.push_back(path);
        }
        for (int i = 0; i < 20; ++i) {
            std::string path = "large/blob" + std::to_string(i) + ".bin";
            add(path, i % 2 ? noise(random, 1 << 20) : text(random, 1 << 20));
            t.large.push_back(path);
        }
        const char* names[] = {"plain", "compressed", "encrypted", "both"};
        core::ArchiveBuilder* builders[] = {&plain, &compressed, &encrypted, &both};
        for (int i = 0; i < 4; ++i) {
            t.archives[i] = t.root + "/" + names[i] + ".dat";
            writeFile(t.archives[i], builders[i]->finish());
        }
        if (!kept)
            atexit([] { fs::remove_all(tree().root); });
        return t;
    }();
    return made;
}

enum class Set { Small, Large, All };

const std::vector<std::string>& filesOf(Set set) {
    return set == Set::Small ? tree().small : set == Set::Large ? tree().large : tree().all;
}

// Opens, reads whole and closes every file of the set, as a loader does.
void readEvery(benchmark::State& state, core::FileSystem& fileSystem, const std::string& prefix, Set set) {
    const std::vector<std::string>& files = filesOf(set);
    std::vector<char> buffer(1 << 20);
    int64_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& path : files) {
            std::unique_ptr<core::File> file = fileSystem.open(prefix + path);
            auto length = static_cast<size_t>(file->getLength());
            if (buffer.size() < length)
                buffer.resize(length);
            file->read(buffer.data(), static_cast<int64_t>(length));
            benchmark::DoNotOptimize(buffer.data());
            bytes += static_cast<int64_t>(length);
        }
    }
    state.SetBytesProcessed(bytes);
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(files.size()) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void loose(benchmark::State& state, Set set) {
    core::StdFileSystem disk;
    readEvery(state, disk, tree().root + "/tree/", set);
}

void archived(benchmark::State& state, int kind, Set set) {
    core::ArchiveFileSystem archive(tree().archives[kind]);
    archive.setKey(core::mainArchiveKey());
    readEvery(state, archive, "", set);
}

#define ARCHIVE_BENCH(name, kind)                                                                        \
    BENCHMARK_CAPTURE(archived, name##_small, kind, Set::Small)->Unit(benchmark::kMillisecond);          \
    BENCHMARK_CAPTURE(archived, name##_large, kind, Set::Large)->Unit(benchmark::kMillisecond);          \
    BENCHMARK_CAPTURE(archived, name##_all, kind, Set::All)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(loose, disk_small, Set::Small)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loose, disk_large, Set::Large)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loose, disk_all, Set::All)->Unit(benchmark::kMillisecond);
ARCHIVE_BENCH(plain, 0)
ARCHIVE_BENCH(compressed, 1)
ARCHIVE_BENCH(encrypted, 2)
ARCHIVE_BENCH(both, 3)

} // namespace

BENCHMARK_MAIN();
