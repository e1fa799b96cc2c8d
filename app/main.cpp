// orbick: the editor program. Until the windowed shell exists it works from
// the command line only.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "usage: orbick --convert IN OUT --format CODE\n");
    return 2;
}
