// Runs the spectrum analysis of a raw float32 mono sound for the numpy test:
//   orbick_spectrum_tool IN RATE START RECORDS N OPTIONS TEXT [GRID]
// writes the text export to TEXT and, when given, the grid to GRID (one line
// "rows columns", then the row values, the column values and each row, all
// with 17 significant digits). Prints the record count of the dialog rule for
// the whole sound from START.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "analysis/spectrum.h"

using namespace ob;

int main(int argc, char** argv) {
    if (argc < 8) {
        std::fprintf(stderr,
                     "usage: orbick_spectrum_tool IN RATE START RECORDS N OPTIONS TEXT [GRID]\n");
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "rb");
    if (!f) return 1;
    std::vector<float> x;
    float buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, sizeof(float), 4096, f)) > 0)
        x.insert(x.end(), buffer, buffer + got);
    std::fclose(f);
    uint32_t rate = uint32_t(std::atol(argv[2]));
    uint32_t start = uint32_t(std::atol(argv[3]));
    int records = std::atoi(argv[4]);
    int n = std::atoi(argv[5]);
    uint32_t options = uint32_t(std::strtoul(argv[6], nullptr, 0));
    SpectrumData data;
    int result = AnalyseSpectrum(x.data(), uint32_t(x.size()), rate, start, records, n,
                                 (options & kSpectrumDecibels) != 0, &data);
    if (result != kSpectrumOk) {
        std::printf("result %d %s\n", result, SpectrumResultText(result));
        return 3;
    }
    std::printf("count %d\n",
                SpectrumRecordCount(uint32_t(x.size()), start, uint32_t(x.size()) - start, n));
    if (WriteSpectrumText(argv[7], data) != kSpectrumOk) return 4;
    if (argc > 8) {
        SpectrumGrid grid = ReduceSpectrum(data, options);
        std::FILE* g = std::fopen(argv[8], "w");
        if (!g) return 5;
        std::fprintf(g, "%d %d\n", grid.rows, grid.columns);
        for (double v : grid.rowValues) std::fprintf(g, "%.17g ", v);
        std::fprintf(g, "\n");
        for (double v : grid.columnValues) std::fprintf(g, "%.17g ", v);
        std::fprintf(g, "\n");
        for (int r = 0; r < grid.rows; ++r) {
            for (int c = 0; c < grid.columns; ++c) std::fprintf(g, "%.17g ", grid.At(r, c));
            std::fprintf(g, "\n");
        }
        std::fclose(g);
    }
    return 0;
}
