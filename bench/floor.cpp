// The floor of a whole run: a program that does only the input and output
// of karven (reads the 7620 numbers of KARVEN_coeff.inp, writes a curve
// file of 17 header lines and 381 lines of 72 characters) and none of its
// computing. The whole-run benchmark compares karven against it.
#include <cstdio>
#include <cstdlib>
#include <vector>

int main() {
  std::FILE* in = std::fopen("KARVEN_coeff.inp", "r");
  if (in == nullptr) return 1;
  std::vector<double> values(7620);
  for (double& value : values) {
    if (std::fscanf(in, "%lf", &value) != 1) return 1;
  }
  std::fclose(in);

  std::FILE* out = std::fopen("psvc_karven.eu.26.dat", "w");
  if (out == nullptr) return 1;
  for (int line = 0; line < 17; ++line) std::fprintf(out, "%-50s\n", "header");
  for (int i = 0; i < 381; ++i) {
    const double* row = &values[static_cast<std::size_t>(i) * 20];
    std::fprintf(out, "%6d.%10.2f%10.2f%10.2f%13.2f%11.2f%11.2f\n", 5 * i, row[1], row[2], row[0],
                 row[11], row[12], row[10]);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
