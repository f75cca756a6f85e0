// Load and save of a data file of 100 000 entries (about 8 MB), the session file of the same list, each measured beside a
// plain memory pass over the same number of bytes and beside what making or copying the
// entries costs by itself, and the cost of list-cell requests for a short and a long list.
// After the run the ratios are printed; the goal is at most 3x the plain pass, but nothing
// here fails on timing.

#include "NullListControl.h"
#include "app/MainList.h"
#include "app/MainState.h"
#include "lock/MasterPassword.h"
#include "platform/Crypto.h"
#include "platform/Messages.h"
#include "session/DataFileSession.h"
#include "platform/Collation.h"
#include "platform/Files.h"
#include "store/Data.h"
#include "store/DataFile.h"
#include "store/Encrypt.h"
#include "store/ItemDataList.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {
namespace {

constexpr int kEntries = 100000;
const std::string kPath = "C:\\Tobrix\\Tobrix.DAT";

// ---- Test data ------------------------------------------------------------------------

// splitmix64: the same sequence with every compiler and library, unlike the std
// distributions.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // In [lo, hi].
    int Between(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1)); }
    bool Percent(int p) { return Between(1, 100) <= p; }

private:
    std::uint64_t state_;
};

struct Entry {
    std::string title, user, password, memo, url;
};

void PutDoubleByte(std::string& s, int lead, int trail) {
    s += static_cast<char>(lead);
    s += static_cast<char>(trail);
}

// One CP932 double-byte character, weighted like ordinary Japanese text: hiragana, katakana
// (many of whose second bytes are lead-byte values too), kanji (some with a 0x5C second
// byte) and the odd full-width letter.
void PutJapaneseChar(Rng& rng, std::string& s) {
    const int kind = rng.Between(1, 100);
    if (kind <= 40) {
        PutDoubleByte(s, 0x82, rng.Between(0x9F, 0xF1)); // hiragana
    } else if (kind <= 65) {
        int trail = rng.Between(0x40, 0x95); // katakana
        if (trail == 0x7F)
            ++trail;
        PutDoubleByte(s, 0x83, trail);
    } else if (kind <= 95) {
        int trail = rng.Between(0x40, 0xFC); // JIS level 1 kanji
        if (trail == 0x7F)
            ++trail;
        PutDoubleByte(s, rng.Between(0x89, 0x97), trail);
    } else {
        PutDoubleByte(s, 0x82, rng.Between(0x60, 0x79)); // full-width capital letter
    }
}

std::string Japanese(Rng& rng, int minChars, int maxChars) {
    std::string s;
    const int n = rng.Between(minChars, maxChars);
    for (int i = 0; i < n; ++i)
        PutJapaneseChar(rng, s);
    return s;
}

std::string Ascii(Rng& rng, std::string_view alphabet, int minLen, int maxLen) {
    std::string s;
    const int n = rng.Between(minLen, maxLen);
    for (int i = 0; i < n; ++i)
        s += alphabet[static_cast<std::size_t>(rng.Between(0, static_cast<int>(alphabet.size()) - 1))];
    return s;
}

constexpr std::string_view kLower = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kUserChars = "abcdefghijklmnopqrstuvwxyz0123456789_.";
constexpr std::string_view kPasswordChars =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!#$%&()*+-./:;<=>?@[]^_{|}~";
constexpr std::string_view kServices[] = {"Example Bank", "Mail", "Shop", "Cloud Drive", "Forum", "Games", "Net Bank"};
constexpr std::string_view kTlds[] = {".jp", ".co.jp", ".ne.jp", ".com", ".net", ".or.jp"};

Entry MakeEntry(Rng& rng) {
    Entry e;
    const int titleKind = rng.Between(1, 100);
    if (titleKind <= 60) {
        e.title = Japanese(rng, 2, 10);
    } else if (titleKind <= 85) {
        e.title = std::string(kServices[rng.Between(0, 6)]);
    } else {
        e.title = std::string(kServices[rng.Between(0, 6)]) + Japanese(rng, 1, 4);
    }
    e.user = Ascii(rng, kUserChars, 5, 12);
    if (rng.Percent(30))
        e.user += "@example" + std::string(kTlds[rng.Between(0, 5)]);
    e.password = Ascii(rng, kPasswordChars, 8, 16);
    const int memoKind = rng.Between(1, 100);
    if (memoKind <= 35) {
        // no memo
    } else if (memoKind <= 85) {
        e.memo = Japanese(rng, 2, 14);
    } else {
        e.memo = "PIN " + Ascii(rng, "0123456789", 4, 6);
    }
    if (!rng.Percent(10)) {
        e.url = (rng.Percent(70) ? "https://www." : "http://") + Ascii(rng, kLower, 4, 12) +
                std::string(kTlds[rng.Between(0, 5)]) + "/";
        if (rng.Percent(50))
            e.url += Ascii(rng, kLower, 3, 10) + "/login";
    }
    return e;
}

struct Data {
    std::vector<Entry> entries;
    std::string clear;     // the data file's clear text
    std::string scrambled; // the data file as stored
    std::vector<std::array<std::string_view, 5>> fieldsInClear; // each entry's fields within `clear`
};

void Fail(const char* what) {
    std::fprintf(stderr, "tobrix_bench: %s\n", what);
    std::abort();
}

const Data& TheData() {
    static const Data data = [] {
        Data d;
        Rng rng(20240501);
        d.entries.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i)
            d.entries.push_back(MakeEntry(rng));
        std::vector<std::array<std::size_t, 5>> offsets;
        for (const Entry& e : d.entries) {
            std::array<std::size_t, 5>& at = offsets.emplace_back();
            std::size_t k = 0;
            for (const std::string* field : {&e.title, &e.user, &e.password, &e.memo, &e.url}) {
                if (k != 0)
                    d.clear += kFieldSeparator;
                at[k++] = d.clear.size();
                d.clear += *field;
            }
            d.clear += "\r\n";
        }
        for (std::size_t i = 0; i < d.entries.size(); ++i) {
            const Entry& e = d.entries[i];
            const std::array<std::size_t, 5>& at = offsets[i];
            const std::string_view clear = d.clear;
            d.fieldsInClear.push_back({clear.substr(at[0], e.title.size()), clear.substr(at[1], e.user.size()),
                                       clear.substr(at[2], e.password.size()), clear.substr(at[3], e.memo.size()),
                                       clear.substr(at[4], e.url.size())});
        }
        d.scrambled = d.clear;
        XorBytes(kDataFileKey, d.scrambled.data(), d.scrambled.size());
        return d;
    }();
    return data;
}

// ---- In-memory files ------------------------------------------------------------------

// Appends to a string owned by the caller, which reserves it so that growing it does not
// show up in the time.
class StringFile final : public WritableFile {
public:
    explicit StringFile(std::string& out) : out_(out) {}
    std::size_t Write(const char* data, std::size_t size) override {
        out_.append(data, size);
        return size;
    }
    bool Commit() override { return true; }

private:
    std::string& out_;
};

// One data file to read (without copying it) and one sink that every write goes into.
class MemoryFiles final : public Files {
public:
    std::string_view stored;
    std::string written;

    bool Exists(const FilePath&) override { return true; }
    bool IsDirectory(const FilePath&) override { return false; }
    bool IsFile(const FilePath&) override { return true; }
    std::unique_ptr<ByteSource> OpenRead(const FilePath&) override { return std::make_unique<MemorySource>(stored); }
    std::unique_ptr<ByteSource> OpenReadShared(const FilePath& path) override { return OpenRead(path); }
    FilePath FinalPath(const FilePath& path) override { return path; }
    std::unique_ptr<WritableFile> CreateTemp(const FilePath& target, FilePath& tempPath) override {
        tempPath = target;
        written.clear(); // keeps the capacity
        return std::make_unique<StringFile>(written);
    }
    Replacement Replace(const FilePath&, const FilePath&) override { return Replacement::Done; }
    InPlaceFile Overwrite(const FilePath&, std::uint64_t) override { return {}; }
    NewFile CreateNew(const FilePath&) override { return {}; }
    bool CreateFolder(const FilePath&) override { return false; }
    std::optional<std::int64_t> LastWriteTime(const FilePath&) override { return std::nullopt; }
    bool SetLastWriteTime(const FilePath&, std::int64_t) override { return false; }
    std::optional<std::uint64_t> Size(const FilePath&) override { return std::nullopt; }
    FilePath LocalDataFolder() override { return {}; }
    bool Remove(const FilePath&) override { return true; }
    std::string DisplayName(const FilePath& path) const override { return path.string(); }
    FilePath PathOf(std::string_view cp932) const override { return FilePath(std::string(cp932)); }
};

void FillList(const std::vector<Entry>& entries, std::size_t count, ItemDataList& list) {
    list.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Entry& e = entries[i];
        TVirtualItem& item = list.AppendNew();
        item.Title = e.title;
        item.UserID = e.user;
        item.Password = e.password;
        item.MaskedPassword = e.password;
        item.Memo = e.memo;
        item.URL = e.url;
    }
}

// Makes sure the load reads the generated entries back, so that the numbers are about the
// real work. Runs once, outside the timing.
void CheckLoadOnce() {
    const Data& data = TheData();
    MemoryFiles files;
    files.stored = data.scrambled;
    ItemDataList list;
    LoadDataFile(files, kPath, false, list);
    if (list.Count() != kEntries)
        Fail("the load did not give every entry");
    for (int i = 0; i < kEntries; ++i) {
        const Entry& e = data.entries[static_cast<std::size_t>(i)];
        const TVirtualItem& it = list.At(i);
        if (it.Title != e.title || it.UserID != e.user || it.Password != e.password || it.Memo != e.memo ||
            it.URL != e.url)
            Fail("the load gave an entry other than the one written");
    }
}

// ---- Load -----------------------------------------------------------------------------

// Releasing 100 000 entries leaves as many small free blocks; glibc merges them only at the
// next large request, and until then hands them out again in scattered order. Making such
// a request while the timing is paused starts every iteration from a heap like that of a
// program just started, which is when the data file is loaded, instead of timing the merge
// or a layout no real load meets.
void ReleaseAndSettle(benchmark::State& state, ItemDataList& list) {
    state.PauseTiming();
    list.Clear();
    {
        std::unique_ptr<char[]> block(new char[std::size_t{32} << 20]);
        benchmark::DoNotOptimize(block.get());
    }
    state.ResumeTiming();
}

void BM_LoadDataFile(benchmark::State& state) {
    const Data& data = TheData();
    CheckLoadOnce();
    MemoryFiles files;
    files.stored = data.scrambled;
    for (auto _ : state) {
        ItemDataList list;
        LoadDataFile(files, kPath, false, list);
        benchmark::DoNotOptimize(list.Count());
        ReleaseAndSettle(state, list); // releasing the entries is no part of a load
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(data.scrambled.size()));
}

// The baseline: one pass over the same number of bytes, finding every line end.
void BM_MemchrLineCount(benchmark::State& state) {
    const std::string& text = TheData().clear;
    for (auto _ : state) {
        std::size_t lines = 0;
        const char* p = text.data();
        const char* const end = p + text.size();
        while (const void* hit = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
            ++lines;
            p = static_cast<const char*>(hit) + 1;
        }
        if (lines != kEntries)
            state.SkipWithError("wrong line count");
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

// What the entries cost by themselves: one record and six strings each, made from the
// fields of the clear text already split, with no reading or parsing. No load can be much
// faster than this.
void BM_EntryAllocationOnly(benchmark::State& state) {
    const Data& data = TheData();
    for (auto _ : state) {
        ItemDataList list;
        for (const std::array<std::string_view, 5>& f : data.fieldsInClear) {
            list.Append(std::unique_ptr<TVirtualItem>(new TVirtualItem{
                .ImageIndex = -1,
                .StateBits = 0,
                .Title = std::string(f[0]),
                .UserID = std::string(f[1]),
                .Password = std::string(f[2]),
                .MaskedPassword = std::string(f[2]),
                .Memo = std::string(f[3]),
                .URL = std::string(f[4]),
            }));
        }
        benchmark::DoNotOptimize(list.Count());
        ReleaseAndSettle(state, list);
    }
}

// ---- Save -----------------------------------------------------------------------------

void BM_SaveDataFile(benchmark::State& state) {
    const Data& data = TheData();
    ItemDataList list;
    FillList(data.entries, data.entries.size(), list);
    MemoryFiles files;
    files.written.reserve(data.scrambled.size() + 4096);
    for (auto _ : state) {
        SaveDataFile(files, kPath, list);
        benchmark::DoNotOptimize(files.written.data());
    }
    if (files.written != data.scrambled)
        state.SkipWithError("the saved bytes differ from the data file");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(data.scrambled.size()));
}

// A scrambled session with nothing to show and no password to ask.
class Silent final : public Messages, public Crypto, public PasswordDialogs {
public:
    void ShowError(std::string_view) override {}
    void ShowWarning(std::string_view) override {}
    void ShowInformation(std::string_view) override {}
    void ShowPlain(std::string_view) override {}
    void ShowCaptioned(std::string_view, std::string_view, MessageIcon) override {}
    bool AskWarning(std::string_view) override { return false; }
    int Ask(std::string_view, const std::vector<std::string_view>&, int, int cancel) override { return cancel; }
    void Random(MutableByteSpan) override {}
    void DeriveKey(ByteSpan, ByteSpan, std::uint32_t, MutableByteSpan) override {}
    void Hmac(ByteSpan, ByteSpan, std::span<std::uint8_t, kMacSize>) override {}
    void Seal(std::span<const std::uint8_t, kKeySize>, std::span<const std::uint8_t, kNonceSize>, ByteSpan,
              MutableByteSpan, std::span<std::uint8_t, kTagSize>) override {}
    bool Open(std::span<const std::uint8_t, kKeySize>, std::span<const std::uint8_t, kNonceSize>, ByteSpan,
              MutableByteSpan, std::span<const std::uint8_t, kTagSize>) override {
        return false;
    }
    void ProtectMemory(MutableByteSpan) override {}
    void UnprotectMemory(MutableByteSpan) override {}
    void RunPasswordCheck(TfrmPasswordCheck&) override {}
    void RunMasterPasswordDialog(TfrmMasterPassword&) override {}
    void RunPasswordDialog(TfrmPassword&) override {}
};

// The session file after a change: the same list through the session's own path.
void BM_Autosave(benchmark::State& state) {
    const Data& data = TheData();
    ItemDataList list;
    FillList(data.entries, data.entries.size(), list);
    MemoryFiles files;
    files.written.reserve(data.scrambled.size() + 4096);
    Silent silent;
    TSettings settings;
    DataFileState fileState;
    DataFileSession session(files, silent, silent, silent, list, settings, fileState, kPath);
    for (auto _ : state) {
        fileState.SetModified();
        session.Autosave();
        benchmark::DoNotOptimize(files.written.data());
    }
    if (files.written != data.scrambled)
        state.SkipWithError("the session file differs from the data file");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(data.scrambled.size()));
}

// The baseline: copying the same number of bytes into a buffer allocated beforehand.
void BM_Memcpy(benchmark::State& state) {
    const std::string& source = TheData().scrambled;
    std::vector<char> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(source.size()));
}

// What the entries cost by themselves when written: every field and line end copied into
// a buffer allocated beforehand, with no scrambling and no stream. No save can be faster.
void BM_EntryCopyOnly(benchmark::State& state) {
    const Data& data = TheData();
    ItemDataList list;
    FillList(data.entries, data.entries.size(), list);
    std::vector<char> target(data.clear.size());
    for (auto _ : state) {
        char* out = target.data();
        for (int i = 0; i < list.Count(); ++i) {
            const TVirtualItem& item = list.At(i);
            for (const std::string* field : {&item.Title, &item.UserID, &item.Password, &item.Memo}) {
                std::memcpy(out, field->data(), field->size());
                out += field->size();
                *out++ = kFieldSeparator;
            }
            std::memcpy(out, item.URL.data(), item.URL.size());
            out += item.URL.size();
            *out++ = '\r';
            *out++ = '\n';
        }
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    if (std::string_view(target.data(), target.size()) != data.clear)
        state.SkipWithError("the copied text differs from the data file");
}

// ---- Cell requests --------------------------------------------------------------------

// The cell requests never compare; byte order stands in for the user's locale.
class ByteOrder final : public Collation {
public:
    int Compare(std::string_view a, std::string_view b) const override { return a.compare(b); }
    std::string SortKey(std::string_view text) const override { return std::string(text); }
    std::string SearchFold(std::string_view text) const override { return std::string(text); }
};

// One screenful of cell requests (30 rows, five columns) in the middle of a list of
// state.range(0) entries, as a repaint asks for them.
void BM_CellRequest(benchmark::State& state) {
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    ItemDataList list;
    FillList(TheData().entries, count, list);
    bench::NullListControl control;
    bench::NullSearchBox search;
    TSettings settings;
    MainState mainState;
    const ByteOrder collation;
    const MainList mainList(control, search, list, settings, mainState, collation);
    constexpr int kRows = 30;
    const int top = static_cast<int>(count / 2);
    std::size_t textBytes = 0;
    for (auto _ : state) {
        for (int row = top; row < top + kRows; ++row) {
            for (int column = 0; column < kColumnCount; ++column) {
                CellInfo cell;
                mainList.lsvListVMGetItemInfo(row, column, cell);
                textBytes += cell.Text.size();
            }
        }
        benchmark::DoNotOptimize(textBytes);
    }
    if (textBytes == 0)
        state.SkipWithError("the cells were empty");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRows * kColumnCount);
}

BENCHMARK(BM_LoadDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemchrLineCount)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EntryAllocationOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Autosave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EntryCopyOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CellRequest)->Arg(1000)->Arg(kEntries)->Unit(benchmark::kNanosecond);

// ---- Ratios ---------------------------------------------------------------------------

// The console output as usual, plus the least CPU time per iteration of every benchmark
// (the least of its repetitions when there are several). CPU time rather than real time:
// on a shared machine it is the steadier of the two, and everything here runs on one
// thread, page faults included.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    // Without colours: the output mostly ends up in logs.
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0)
                continue;
            const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            auto [it, inserted] = best_.emplace(run.benchmark_name(), seconds);
            if (!inserted && seconds < it->second)
                it->second = seconds;
        }
    }

    void PrintRatio(const char* label, const std::string& measured, const std::string& baseline) const {
        const auto m = best_.find(measured);
        const auto b = best_.find(baseline);
        if (m == best_.end() || b == best_.end() || b->second <= 0) {
            std::printf("%-40s = (not measured in this run)\n", label);
            return;
        }
        std::printf("%-40s = %.2f\n", label, m->second / b->second);
    }

    void PrintTime(const char* label, const std::string& name, double perSecond, const char* unit) const {
        const auto it = best_.find(name);
        if (it == best_.end())
            std::printf("%-40s = (not measured in this run)\n", label);
        else
            std::printf("%-40s = %.3f %s\n", label, it->second * perSecond, unit);
    }

private:
    std::map<std::string, double> best_;
};

} // namespace
} // namespace tobrix

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("data file: %d entries, %zu bytes (%.1f bytes a line)\n", tobrix::kEntries,
                tobrix::TheData().scrambled.size(),
                static_cast<double>(tobrix::TheData().scrambled.size()) / tobrix::kEntries);
    tobrix::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto ms = [&](const char* label, const char* name) { reporter.PrintTime(label, name, 1e3, "ms"); };
    std::printf("\nLeast CPU time per iteration:\n");
    ms("LoadDataFile", "BM_LoadDataFile");
    ms("memchr line count", "BM_MemchrLineCount");
    ms("entry allocation only", "BM_EntryAllocationOnly");
    ms("SaveDataFile", "BM_SaveDataFile");
    ms("session file", "BM_Autosave");
    ms("memcpy", "BM_Memcpy");
    ms("entry copy only", "BM_EntryCopyOnly");
    reporter.PrintTime("30x5 cell requests, 1 000 entries", "BM_CellRequest/1000", 1e9, "ns");
    reporter.PrintTime("30x5 cell requests, 100 000 entries", "BM_CellRequest/100000", 1e9, "ns");
    std::printf("\nRatios of those; goal: load and save each at most 3x their baseline (not enforced).\n");
    reporter.PrintRatio("LoadDataFile / memchr line count", "BM_LoadDataFile", "BM_MemchrLineCount");
    reporter.PrintRatio("SaveDataFile / memcpy", "BM_SaveDataFile", "BM_Memcpy");
    reporter.PrintRatio("entry allocation only / memchr", "BM_EntryAllocationOnly", "BM_MemchrLineCount");
    reporter.PrintRatio("entry copy only / memcpy", "BM_EntryCopyOnly", "BM_Memcpy");
    reporter.PrintRatio("LoadDataFile / entry allocation only", "BM_LoadDataFile", "BM_EntryAllocationOnly");
    reporter.PrintRatio("SaveDataFile / entry copy only", "BM_SaveDataFile", "BM_EntryCopyOnly");
    std::printf("goal: the session file at most 1.2x the data file's save (not enforced).\n");
    reporter.PrintRatio("session file / SaveDataFile", "BM_Autosave", "BM_SaveDataFile");
    reporter.PrintRatio("cell requests, 100 000 / 1 000 entries", "BM_CellRequest/100000", "BM_CellRequest/1000");
    return 0;
}
