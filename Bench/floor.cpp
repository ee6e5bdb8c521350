// The floor of every import: one pass over the file that finds every line and converts every
// comma-separated number on it once with std::from_chars. Nothing the importer does can be
// cheaper than this; the benchmark reports the importer's time as a multiple of it.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: floor FILE\n");
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "rb");
    if (f == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<char> buf(1 << 20);
    std::vector<char> line;
    double sum = 0.0;
    long long numbers = 0, lines = 0;
    auto convert = [&](const char* p, const char* end) {
        ++lines;
        while (p < end) {
            const char* comma = static_cast<const char*>(std::memchr(p, ',', end - p));
            const char* fieldEnd = comma ? comma : end;
            double v = 0.0;
            if (std::from_chars(p, fieldEnd, v).ec == std::errc()) {
                sum += v;
                ++numbers;
            }
            p = comma ? comma + 1 : end;
        }
    };
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) {
        const char* p = buf.data();
        const char* end = p + n;
        while (p < end) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
            if (nl == nullptr) {
                line.insert(line.end(), p, end);
                break;
            }
            if (!line.empty()) {
                line.insert(line.end(), p, nl);
                convert(line.data(), line.data() + line.size());
                line.clear();
            } else {
                convert(p, nl);
            }
            p = nl + 1;
        }
    }
    if (!line.empty())
        convert(line.data(), line.data() + line.size());
    std::fclose(f);
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f s, %lld lines, %lld numbers, checksum %.3f\n", secs, lines, numbers, sum);
    return 0;
}
