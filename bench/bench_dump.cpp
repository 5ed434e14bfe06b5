// The dump editor's core on big buffers: opening, scrolling to the end, a
// find that matches nothing, filling the whole buffer, replacing all of 1000
// matches of a 2-byte pattern, and the same replace with a longer pattern
// that moves the rest of the buffer each time. 1 MiB and 16 MiB buffers.
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "source/dump/dumpedit.h"
#include "source/project/qkopts.h"

namespace {

constexpr int kLines = 40; // lines a tall window shows

class clBenchView : public clDumpView {
public:
    int VisibleLines() const override { return kLines; }
    void Refresh() override {}
};

class clNoClipboard : public clDumpClipboard {
public:
    bool HasBinFormat() const override { return true; }
    void Put(const std::string&, const std::vector<unsigned char>*) override {}
    std::optional<std::vector<unsigned char>> GetBinImage() const override { return std::nullopt; }
    std::optional<std::string> GetText() const override { return std::nullopt; }
};

// Space 1 of the catalogue holding size random bytes below 0x80, so that a
// pattern of 0xFF bytes is found only where it is put. The error manager is
// closed: "not found" shows nothing.
struct clBenchSpace {
    explicit clBenchSpace(std::uint32_t size) : catalogue(QkRegisterOptions(server)), options(*catalogue.dumpOptions[1])
    {
        clQKHugeBuffer& buf = Buffer();
        buf.SetParams(size, clAdrs(0));
        bytes.resize(size);
        std::mt19937 random(1);
        for (auto& b : bytes)
            b = static_cast<unsigned char>(random() & 0x7F);
        Reset();
    }
    clQKHugeBuffer& Buffer() { return catalogue.buffers[1]->Value(); }
    void Reset() { Buffer().Write(clAdrs(0), clAdrs(static_cast<std::uint32_t>(bytes.size() - 1)), bytes.data()); }
    // count matches of FF FE spread over the buffer, clear of its last 4 KiB.
    void PutMatches(int count)
    {
        const std::uint32_t step = static_cast<std::uint32_t>(bytes.size() - 4096) / count;
        const unsigned char match[2] = {0xFF, 0xFE};
        for (int i = 0; i < count; ++i)
            Buffer().Write(clAdrs(i * step), clAdrs(i * step + 1), match);
    }

    TBscOptServer server{kQkOptArrayName};
    clQkOptCatalogue catalogue;
    clDumpOptions options;
    clErrMngr errors;
    clBenchView view;
    clNoClipboard clipboard;
    std::vector<unsigned char> bytes;
};

// What a paint reads and formats: the visible lines.
void FormatPage(const clDumpEditor& editor)
{
    const clDumpLayout& layout = editor.Layout();
    std::vector<unsigned char> line(layout.BytesPerLine());
    for (int i = 0; i < kLines; ++i) {
        const std::uint64_t start = std::uint64_t{editor.Cursor().Top()} + std::uint64_t(i) * layout.BytesPerLine();
        if (start > layout.Last())
            break;
        const auto count = static_cast<unsigned>(std::min<std::uint64_t>(line.size(), layout.Last() - start + 1));
        editor.Buffer().Read(clAdrs(static_cast<std::uint32_t>(start)),
                             clAdrs(static_cast<std::uint32_t>(start + count - 1)), line.data());
        benchmark::DoNotOptimize(layout.AddressText(static_cast<std::uint32_t>(start)));
        benchmark::DoNotOptimize(layout.HexText(line.data(), count, editor.IsLittleEndian()));
        benchmark::DoNotOptimize(clDumpLayout::CharText(line.data(), count));
    }
}

void Open(benchmark::State& state)
{
    clBenchSpace space(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state) {
        clDumpEditor editor(space.Buffer(), space.options, space.errors, space.view, space.clipboard);
        FormatPage(editor);
    }
}

void ScrollToEnd(benchmark::State& state)
{
    clBenchSpace space(static_cast<std::uint32_t>(state.range(0)));
    clDumpEditor editor(space.Buffer(), space.options, space.errors, space.view, space.clipboard);
    for (auto _ : state) {
        editor.Key(dmpKey::first, false);
        editor.Key(dmpKey::last, false);
        FormatPage(editor);
    }
}

void FindNoMatch(benchmark::State& state)
{
    clBenchSpace space(static_cast<std::uint32_t>(state.range(0)));
    clDumpEditor editor(space.Buffer(), space.options, space.errors, space.view, space.clipboard);
    editor.AcceptSearch(dmpFindMode::find, "0FFh,0FEh", "", true, false, false);
    for (auto _ : state)
        editor.RunSearch();
    state.counters["found"] = editor.Cursor().Selection().present;
}

void FillAll(benchmark::State& state)
{
    clBenchSpace space(static_cast<std::uint32_t>(state.range(0)));
    clDumpEditor editor(space.Buffer(), space.options, space.errors, space.view, space.clipboard);
    for (auto _ : state) {
        clDumpFillForm::clFields fields{"0", std::to_string(state.range(0)), "0A5h"};
        editor.Fill(fields);
    }
}

// Replace all 1000 matches from the start; replacement "0FDh,0FCh" keeps the
// length, "0FDh,0FCh,0FBh" moves the rest of the buffer at every match.
void ReplaceAll(benchmark::State& state, const char* replacement)
{
    clBenchSpace space(static_cast<std::uint32_t>(state.range(0)));
    clDumpEditor editor(space.Buffer(), space.options, space.errors, space.view, space.clipboard);
    editor.AcceptSearch(dmpFindMode::replace, "0FFh,0FEh", replacement, true, true, false);
    for (auto _ : state) {
        state.PauseTiming();
        space.Reset();
        space.PutMatches(1000);
        state.ResumeTiming();
        editor.RunSearch();
    }
    // What was replaced, so a figure never stands for work left undone.
    int replaced = 0;
    for (auto at = QkDumpFind(space.Buffer(), 0, std::vector<unsigned char>{0xFD, 0xFC}); at;
         at = QkDumpFind(space.Buffer(), *at + 1, std::vector<unsigned char>{0xFD, 0xFC}))
        ++replaced;
    state.counters["replaced"] = replaced;
}

void ReplaceAllSameLength(benchmark::State& state)
{
    ReplaceAll(state, "0FDh,0FCh");
}

void ReplaceAllShifting(benchmark::State& state)
{
    ReplaceAll(state, "0FDh,0FCh,0FBh");
}

constexpr std::int64_t kMiB = 1 << 20;

BENCHMARK(Open)->Arg(kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollToEnd)->Arg(kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(FindNoMatch)->Arg(kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(FillAll)->Arg(kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(ReplaceAllSameLength)->Arg(kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(ReplaceAllShifting)->Arg(kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
