// A bounded fuzzing driver for harnesses written for libFuzzer.
//
//   fuzz_x [--runs=N] [--max-seconds=S] [--max-rss-mb=M] [--seed=X] [--max-len=B]
//          [--timeout=T] CORPUS_DIR_OR_FILE...
//
// Runs every corpus file once, then N inputs made by random generation and by mutating
// corpus entries (bit flips, byte edits, insertions, deletions, duplicated ranges,
// splices of two entries, tokens taken from the corpus, long repeats). It stops after N
// inputs or S seconds, whichever comes first, and fails when fewer than
// min(N, 100000) inputs ran, when peak memory went above M MB, or when one input ran
// longer than T seconds. The seed is printed at the start; --seed repeats a run.
// When a harness crashes or an input hangs, the input is written to
// crash-<seed>-<run> (or timeout-...) in the current folder; `fuzz_x --runs=0 FILE` runs
// that one input again.

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kRequiredRuns = 100000;
constexpr size_t kLargeInput = 1024 * 1024;

struct Options {
    std::uint64_t runs = 100000;
    double maxSeconds = 60;
    std::uint64_t maxRssMb = 2048;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    size_t maxLen = 64 * 1024;
    double timeoutSeconds = 20;
    std::vector<std::string> corpusPaths;
};

// The input being run, for the crash and hang handlers.
const uint8_t* g_currentData = nullptr;
size_t g_currentSize = 0;
char g_artifactName[128] = "crash-input";
std::atomic<std::uint64_t> g_runCounter{0};

void writeArtifact(const char* name) {
    // Only async-signal-safe calls: this runs in a signal handler.
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    size_t done = 0;
    while (g_currentData && done < g_currentSize) {
        const ssize_t n = ::write(fd, g_currentData + done, g_currentSize - done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    ::close(fd);
}

void onFatalSignal(int sig) {
    writeArtifact(g_artifactName);
    const char prefix[] = "\nFuzzDriver: the harness crashed; input written to ";
    ssize_t ignored = ::write(2, prefix, sizeof prefix - 1);
    ignored = ::write(2, g_artifactName, std::strlen(g_artifactName));
    ignored = ::write(2, "\n", 1);
    (void)ignored;
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

bool parseNumber(const char* text, double* out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= 0))
        return false;
    *out = v;
    return true;
}

bool parseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](const char* name, double* out) {
            const std::string prefix = std::string(name) + "=";
            if (arg.rfind(prefix, 0) != 0)
                return false;
            if (!parseNumber(arg.c_str() + prefix.size(), out)) {
                std::fprintf(stderr, "FuzzDriver: bad value in %s\n", arg.c_str());
                std::exit(2);
            }
            return true;
        };
        double v = 0;
        if (value("--runs", &v) || value("-runs", &v)) {
            options->runs = std::uint64_t(v);
        } else if (value("--max-seconds", &v) || value("-max_total_time", &v)) {
            options->maxSeconds = v;
        } else if (value("--max-rss-mb", &v) || value("-rss_limit_mb", &v)) {
            options->maxRssMb = std::uint64_t(v);
        } else if (arg.rfind("--seed=", 0) == 0 || arg.rfind("-seed=", 0) == 0) {
            // Parsed as an integer: a double would lose the low digits of a 64-bit seed.
            const char* text = arg.c_str() + arg.find('=') + 1;
            char* end = nullptr;
            options->seed = std::strtoull(text, &end, 10);
            if (end == text || *end != '\0') {
                std::fprintf(stderr, "FuzzDriver: bad value in %s\n", arg.c_str());
                std::exit(2);
            }
            options->seedGiven = true;
        } else if (value("--max-len", &v) || value("-max_len", &v)) {
            options->maxLen = std::max<size_t>(1, size_t(v));
        } else if (value("--timeout", &v) || value("-timeout", &v)) {
            options->timeoutSeconds = std::max(1.0, v);
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "FuzzDriver: unknown option %s\n", arg.c_str());
            return false;
        } else {
            options->corpusPaths.push_back(arg);
        }
    }
    return true;
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Bytes> loadCorpus(const std::vector<std::string>& paths) {
    std::vector<Bytes> corpus;
    for (const std::string& p : paths) {
        std::error_code ec;
        const std::filesystem::path path(p);
        if (std::filesystem::is_regular_file(path, ec)) {
            corpus.push_back(readFile(path));
            continue;
        }
        if (!std::filesystem::is_directory(path, ec)) {
            std::fprintf(stderr, "FuzzDriver: no corpus at %s\n", p.c_str());
            continue;
        }
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end()); // the same order on every machine
        for (const auto& f : files)
            corpus.push_back(readFile(f));
    }
    return corpus;
}

bool isWordByte(uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// Tokens for insertion: words, tags and punctuation seen in the corpus, plus a few
// values that often sit on boundaries.
std::vector<Bytes> collectTokens(const std::vector<Bytes>& corpus) {
    std::set<Bytes> tokens;
    for (const Bytes& entry : corpus) {
        size_t i = 0;
        while (i < entry.size() && tokens.size() < 4000) {
            size_t j = i + 1;
            if (entry[i] == '<') {
                while (j < entry.size() && j - i < 40 && entry[j - 1] != '>')
                    ++j;
            } else if (isWordByte(entry[i])) {
                while (j < entry.size() && j - i < 40 && isWordByte(entry[j]))
                    ++j;
            }
            tokens.insert(Bytes(entry.begin() + long(i), entry.begin() + long(j)));
            i = j;
        }
    }
    using namespace std::string_view_literals;
    for (std::string_view extra : {"0"sv,
                                   "-1"sv,
                                   "1"sv,
                                   "255"sv,
                                   "65535"sv,
                                   "4294967295"sv,
                                   "18446744073709551615"sv,
                                   "9223372036854775808"sv,
                                   "-9223372036854775809"sv,
                                   "1e308"sv,
                                   "nan"sv,
                                   "\\"sv,
                                   "\""sv,
                                   "'"sv,
                                   "\\U"sv,
                                   "\\377"sv,
                                   "/*"sv,
                                   "*/"sv,
                                   "//"sv,
                                   "\xff\xff\xff\xff"sv,
                                   "\0\0\0\0"sv})
        tokens.insert(Bytes(extra.begin(), extra.end()));
    return std::vector<Bytes>(tokens.begin(), tokens.end());
}

class Mutator {
public:
    Mutator(std::uint64_t seed, const std::vector<Bytes>& corpus, size_t maxLen)
        : m_rng(seed), m_corpus(corpus), m_tokens(collectTokens(corpus)), m_maxLen(maxLen) {}

    Bytes next() {
        // Now and then a large input, so size limits get exercised too.
        const bool large = pick(4000) == 0;
        const size_t limit = large ? std::max(kLargeInput, m_maxLen) : m_maxLen;
        Bytes out;
        if (m_corpus.empty() || pick(10) == 0)
            out = randomBytes(large ? limit : pickLength());
        else
            out = m_corpus[pick(m_corpus.size())];
        const size_t mutations = 1 + pick(pick(3) == 0 ? 16 : 4);
        for (size_t i = 0; i < mutations; ++i)
            mutate(out, limit);
        if (large)
            grow(out, limit);
        if (out.size() > limit)
            out.resize(limit);
        return out;
    }

private:
    std::mt19937_64 m_rng;
    const std::vector<Bytes>& m_corpus;
    std::vector<Bytes> m_tokens;
    size_t m_maxLen;

    size_t pick(size_t n) { return n == 0 ? 0 : size_t(m_rng() % n); }

    size_t pickLength() {
        // Mostly short, sometimes up to the limit.
        switch (pick(4)) {
        case 0:
            return pick(16);
        case 1:
            return pick(256);
        case 2:
            return pick(4096);
        default:
            return pick(m_maxLen + 1);
        }
    }

    uint8_t randomByte() {
        // Printable ASCII more often than not: the inputs are mostly text.
        if (pick(4) != 0)
            return uint8_t(0x20 + pick(0x5F));
        return uint8_t(m_rng());
    }

    Bytes randomBytes(size_t n) {
        Bytes b(n);
        for (auto& c : b)
            c = randomByte();
        return b;
    }

    void insertAt(Bytes& b, size_t pos, const Bytes& piece, size_t limit) {
        if (b.size() >= limit)
            return;
        const size_t room = limit - b.size();
        b.insert(b.begin() + long(pos), piece.begin(), piece.begin() + long(std::min(room, piece.size())));
    }

    void grow(Bytes& b, size_t limit) {
        if (b.empty())
            b = randomBytes(1 + pick(64));
        while (b.size() < limit) {
            const size_t start = pick(b.size());
            const size_t len = 1 + pick(std::min<size_t>(b.size() - start, 256));
            const Bytes chunk(b.begin() + long(start), b.begin() + long(start + len));
            insertAt(b, start, chunk, limit);
        }
    }

    void mutate(Bytes& b, size_t limit) {
        const size_t pos = pick(b.size() + 1);
        switch (pick(11)) {
        case 0: // flip a bit
            if (!b.empty())
                b[pick(b.size())] ^= uint8_t(1u << pick(8));
            break;
        case 1: // set a byte
            if (!b.empty())
                b[pick(b.size())] = randomByte();
            break;
        case 2: // insert random bytes
            insertAt(b, pos, randomBytes(1 + pick(8)), limit);
            break;
        case 3: { // delete a range
            if (b.empty())
                break;
            const size_t start = pick(b.size());
            const size_t len = 1 + pick(std::min<size_t>(b.size() - start, 64));
            b.erase(b.begin() + long(start), b.begin() + long(start + len));
            break;
        }
        case 4: { // duplicate a range
            if (b.empty())
                break;
            const size_t start = pick(b.size());
            const size_t len = 1 + pick(std::min<size_t>(b.size() - start, 128));
            const Bytes chunk(b.begin() + long(start), b.begin() + long(start + len));
            insertAt(b, pick(b.size() + 1), chunk, limit);
            break;
        }
        case 5: { // splice with another corpus entry
            if (m_corpus.empty())
                break;
            const Bytes& other = m_corpus[pick(m_corpus.size())];
            const size_t cut = pick(b.size() + 1);
            const size_t from = pick(other.size() + 1);
            b.resize(cut);
            insertAt(b, b.size(), Bytes(other.begin() + long(from), other.end()), limit);
            break;
        }
        case 6: // insert a token
        case 7:
            if (!m_tokens.empty())
                insertAt(b, pos, m_tokens[pick(m_tokens.size())], limit);
            break;
        case 8: { // long repeat of a token or a byte
            Bytes unit =
                m_tokens.empty() || pick(2) == 0 ? Bytes(1, randomByte()) : m_tokens[pick(m_tokens.size())];
            const size_t count = 1 + pick(pick(8) == 0 ? 5000 : 64);
            Bytes run;
            for (size_t i = 0; i < count && run.size() < limit; ++i)
                run.insert(run.end(), unit.begin(), unit.end());
            insertAt(b, pos, run, limit);
            break;
        }
        case 9: // truncate
            b.resize(pick(b.size() + 1));
            break;
        default: { // overwrite with a token
            if (m_tokens.empty() || b.empty())
                break;
            const Bytes& t = m_tokens[pick(m_tokens.size())];
            const size_t at = pick(b.size());
            for (size_t i = 0; i < t.size() && at + i < b.size(); ++i)
                b[at + i] = t[i];
            break;
        }
        }
    }
};

void runOne(const Bytes& input, std::uint64_t seed, std::uint64_t index) {
    std::snprintf(g_artifactName, sizeof g_artifactName, "crash-%llu-%llu",
                  static_cast<unsigned long long>(seed), static_cast<unsigned long long>(index));
    // An empty vector has no data(); give the harness a valid pointer anyway.
    static const uint8_t empty = 0;
    g_currentData = input.empty() ? &empty : input.data();
    g_currentSize = input.size();
    LLVMFuzzerTestOneInput(g_currentData, g_currentSize);
    g_runCounter.fetch_add(1, std::memory_order_relaxed);
}

// Ends the process when one input runs longer than the timeout.
class Watchdog {
public:
    explicit Watchdog(double timeoutSeconds) : m_timeout(timeoutSeconds), m_thread([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

private:
    double m_timeout;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;

    void watch() {
        std::uint64_t lastCount = g_runCounter.load();
        auto lastChange = Clock::now();
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            m_wake.wait_for(lock, std::chrono::milliseconds(500));
            const std::uint64_t count = g_runCounter.load();
            if (count != lastCount) {
                lastCount = count;
                lastChange = Clock::now();
            } else if (std::chrono::duration<double>(Clock::now() - lastChange).count() > m_timeout) {
                char name[160];
                std::snprintf(name, sizeof name, "timeout-%s", g_artifactName + 6);
                writeArtifact(name);
                std::fprintf(stderr,
                             "\nFuzzDriver: one input ran longer than %.0f s; input written to %s\nFAILED\n",
                             m_timeout, name);
                std::_Exit(1);
            }
        }
    }
};

double peakRssMb() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: %s [--runs=N] [--max-seconds=S] [--max-rss-mb=M] [--seed=X] [--max-len=B] "
                     "[--timeout=T] CORPUS...\n",
                     argv[0]);
        return 2;
    }
    if (!options.seedGiven)
        options.seed = std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count()) ^
                       std::uint64_t(getpid());
    const char* name = std::strrchr(argv[0], '/') ? std::strrchr(argv[0], '/') + 1 : argv[0];
    std::printf("%s: seed %llu (repeat with --seed=%llu)\n", name,
                static_cast<unsigned long long>(options.seed), static_cast<unsigned long long>(options.seed));
    std::fflush(stdout);

    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
        std::signal(sig, onFatalSignal);

    const std::vector<Bytes> corpus = loadCorpus(options.corpusPaths);
    const auto start = Clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };

    Watchdog watchdog(options.timeoutSeconds);
    std::uint64_t index = 0;
    for (const Bytes& entry : corpus)
        runOne(entry, options.seed, index++);

    Mutator mutator(options.seed, corpus, options.maxLen);
    std::uint64_t generated = 0;
    while (generated < options.runs) {
        if ((generated & 255) == 0 && elapsed() > options.maxSeconds)
            break;
        const Bytes input = mutator.next();
        runOne(input, options.seed, index++);
        ++generated;
    }

    const double seconds = elapsed();
    const double rss = peakRssMb();
    const std::uint64_t required = std::min(options.runs, kRequiredRuns);
    std::printf("%s: %zu corpus inputs and %llu generated inputs in %.1f s; peak memory %.0f MB\n", name,
                corpus.size(), static_cast<unsigned long long>(generated), seconds, rss);
    bool ok = true;
    if (generated < required) {
        std::printf("%s: only %llu of the %llu required inputs ran before the %g s limit\n", name,
                    static_cast<unsigned long long>(generated), static_cast<unsigned long long>(required),
                    options.maxSeconds);
        ok = false;
    }
    if (rss > double(options.maxRssMb)) {
        std::printf("%s: peak memory %.0f MB is above the %llu MB limit\n", name, rss,
                    static_cast<unsigned long long>(options.maxRssMb));
        ok = false;
    }
    std::printf("%s: %s\n", name, ok ? "PASSED" : "FAILED");
    return ok ? 0 : 1;
}
