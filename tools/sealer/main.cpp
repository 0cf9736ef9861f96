// hlmr-seal: seals a plain data file with the program's key, for the sample builders and the data set makers.
#include "seal_stream.h"

#include <cstdio>
#include <exception>
#include <fmt/format.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fmt::print(stderr, "usage: hlmr-seal <plain input> <sealed output>\n");
        return 2;
    }
    try {
        hlw::sealer::sealFile(hlw::gf_projectKey(), argv[1], argv[2]);
    } catch (const std::exception& error) {
        fmt::print(stderr, "hlmr-seal: {}\n", error.what());
        return 1;
    }
    return 0;
}
