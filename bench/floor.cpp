// The floor of a whole run: a program that does only the input and output
// of karven, as cheaply as it can be done, and none of its computing. It
// reads the two answers of the dialogue from standard input and the 7620
// numbers of KARVEN_coeff.inp, and writes a curve file of 17 header lines
// and 381 lines of 72 characters. The whole-run benchmark compares karven
// against it.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main() {
  double latitude = 0.0, longitude = 0.0;
  if (!(std::cin >> latitude >> longitude)) return 1;

  std::FILE* in = std::fopen("KARVEN_coeff.inp", "rb");
  if (in == nullptr) return 1;
  std::string text(1 << 20, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), in));
  (void)std::fclose(in);
  std::vector<double> values(7620);
  const char* next = text.data();
  const char* end = text.data() + text.size();
  for (double& value : values) {
    while (next < end && (*next == ' ' || *next == '\n' || *next == '\r')) ++next;
    const auto result = std::from_chars(next, end, value);
    if (result.ec != std::errc()) return 1;
    next = result.ptr;
  }

  std::string out;
  for (int line = 0; line < 17; ++line) out += std::string(50, ' ') + '\n';
  char buffer[96];
  for (int i = 0; i < 381; ++i) {
    const double* row = &values[static_cast<std::size_t>(i) * 20];
    (void)std::snprintf(buffer, sizeof buffer, "%6d.%10.2f%10.2f%10.2f%13.2f%11.2f%11.2f\n", 5 * i,
                        row[1] + latitude, row[2] + longitude, row[0], row[11], row[12], row[10]);
    out += buffer;
  }
  std::FILE* curve = std::fopen("psvc_karven.eu.26.dat", "w");
  if (curve == nullptr) return 1;
  const bool written = std::fwrite(out.data(), 1, out.size(), curve) == out.size();
  return std::fclose(curve) == 0 && written ? 0 : 1;
}
