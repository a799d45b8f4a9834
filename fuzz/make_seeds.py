#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Run from anywhere: python3 fuzz/make_seeds.py. The seeds are kept in the
repository; this script says how they were made and remakes them. Findings
of the fuzzer are kept beside them as files of their own, not made here.
"""

import math
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"
COUNT = 7620  # 381 rows of 20 numbers

# Short spellings of every accepted form, so that a whole file stays small.
SHORT_NUMBERS = ["27.5", "1", "-.34", "7.4E-1", "0", "5d-2", "-4.8D-02", "12.", "+6", "1e-3"]


def numbers(count, forms=SHORT_NUMBERS):
    return [forms[k % len(forms)] for k in range(count)]


def lay_out(tokens, per_line, separator=" ", line_end="\n"):
    text = ""
    for k, token in enumerate(tokens):
        text += token + (line_end if (k + 1) % per_line == 0 else separator)
    return text


def model_numbers(count):
    """Numbers laid out as the model's rows: the intensity scale (column 1)
    and the ten errors (columns 11 to 20) never negative."""
    tokens = numbers(count)
    return [t.lstrip("-") if k % 20 == 0 or k % 20 >= 10 else t for k, t in enumerate(tokens)]


def coefficient_seeds():
    tokens = model_numbers(COUNT)
    short = model_numbers(COUNT - 1)
    rows = [tokens[20 * r:20 * r + 20] for r in range(COUNT // 20)]
    extra = tokens[:20 * 299] + ["0.5"] + tokens[20 * 299:]
    return {
        # Well-formed files: every layout the reader accepts.
        "valid_twenty_per_line.inp": lay_out(tokens, 20),
        "valid_one_per_line_crlf.inp": lay_out(tokens, 1, line_end="\r\n"),
        "valid_tabs_commas.inp": "\t" + lay_out(tokens, 13, separator=" ,\t", line_end=",\r\n"),
        "valid_with_tail.inp": lay_out(tokens, 20) + "99 abc ,, \x01\x02 1e999\n",
        # Malformed files, each wrong in one way.
        "short.inp": lay_out(short, 20),
        "last_number_malformed.inp": lay_out(short, 20) + "5.7.2\n",
        "last_number_beyond_range.inp": lay_out(short, 20) + "-3e999\n",
        "empty.inp": "",
        "blanks_only.inp": " \t\r\n\n  \n",
        "empty_field_between_commas.inp": "1.0, 2.0,\n , 3.0\n",
        "comma_before_first_number.inp": " \n,1.0 2.0\n",
        "nan.inp": "1.0 NaN 2.0\n",
        "infinity.inp": "1.0 inf\n",
        "hexadecimal.inp": "0x1p3 1\n",
        "exponent_without_digits.inp": "1.0 2e+ 3\n",
        "overlong_token.inp": "1 " + "7" * 100 + " 2\n",
        "binary.inp": "1.5 \x7f\x80\x00z 2\n",
        "slash.inp": "1.0/2.0\n",
        # Rows that break the model's structure: numbers shifted into other
        # columns, or a value out of place.
        "byte_order_mark.inp": "\xef\xbb\xbf" + lay_out(tokens, 20),
        "extra_number.inp": lay_out(extra, 20),
        "year_column.inp": "".join(f"{5 * r} " + " ".join(row) + "\n" for r, row in enumerate(rows)),
        "decimal_commas.inp": lay_out(tokens, 20).replace(".", ","),
        "negative_error.inp": lay_out(tokens[:15] + ["-0.5"] + tokens[16:], 20),
    }


def console_seeds():
    lines = {
        # Accepted forms.
        "plain": "40.4\n",
        "whole": "40\n",
        "point_last": "40.\n",
        "point_first": ".5\n",
        "plus": "+40.4\n",
        "exponent": "4.04e1\n",
        "d_exponent": "4.04D+01\n",
        "negative_exponent": "-37.0E-00001\n",
        "blank_lines_first": "\n  \t\r\n 40.4, more after the number\n-3.7/\n",
        "crlf": "40.4\r\n-3.7\r\n",
        "tab_after": "60\tdegrees\n",
        "several": "34.99\n60.01\n45\n8\n",
        "no_line_end": "-15",
        "nan": "nan\n",
        "inf": "-Inf\n",
        "infinity": "INFINITY\n",
        "beyond_range": "1e999\n",
        "below_range": "-1e-999\n",
        "denormal": "4.9e-324\n",
        # Rejected forms.
        "trailing_letters": "40.4abc\n",
        "two_signs": "  --3  \n",
        "comma_first": ",40\n",
        "slash_first": "/40\n",
        "control_character": "4\x01\n",
        "two_points": "1.5.2\n",
        "exponent_without_digits": "1e\n",
        "exponent_sign_only": "1e+\n",
        "hexadecimal": "0x1p3\n",
        "point_only": ".\n",
        "sign_only": "-\n",
        "quote_and_backslash": '"4\\\n',
        "overlong": "1" * 100 + "\n",
        "blank_lines_only": "\n\n   \n",
        "nan_word": "nanx\n",
        # Numbers whose line shows they stand for another site.
        "decimal_comma": "48,85\n2,35\n",
        "hemisphere_letter": "40.4\n3.7 W\n",
        "minute_sign": "48 51'\n",
        "degree_and_prime": b"48 \xc2\xb0 51\xe2\x80\xb2\r\n",
        "latin1_degree": b"48 \xb0\n40.4 \xc4\xb0zmir\n",
        "hemisphere_words": "40.4 Nord\n3.7 (W)\n3.7 Ouest.\n40.4 S\xfcd\n",
        "hemisphere_utf8": b"40.4 S\xc3\x9cD\n",
        "degrees_minutes": "48 51\n-3 42\n48, 85\n",
        "two_numbers": "48.85,2.35\n48.85 2.35\n",
        "ignored_text": "40.4 , Madrid\n40.4 / site 3\n40.4,-3.7\n40.4 Nordic\n",
    }
    return {name + ".txt": text for name, text in lines.items()}


def xdlegf_seed(dnu1, nudiff, mu1, mu2, theta, id_byte, length=0):
    """Raw kinds (0) for every argument: the values exactly as given."""
    return (struct.pack("<Bd", 0, dnu1) + struct.pack("<Bi", 0, nudiff) +
            struct.pack("<Bi", 0, mu1) + struct.pack("<Bi", 0, mu2) +
            struct.pack("<Bd", 0, theta) + bytes([id_byte, length]))


def kind_seed(kinds, payloads, id_byte, length=0):
    """Chosen kinds with their payload bytes: DNU1, NUDIFF, MU1, MU2, THETA."""
    sizes = [8, 4, 4, 4, 8]
    data = b""
    for kind, payload, size in zip(kinds, payloads, sizes):
        data += bytes([kind]) + payload.ljust(size, b"\0")[:size]
    return data + bytes([id_byte, length])


def identifier(id_value):
    """The ID byte for a function kind 1 to 4, or for any value -5 to 10."""
    return id_value - 1 if 1 <= id_value <= 4 else id_value + 245


def xdlegf_seeds():
    pi2 = 2 * math.atan(1.0)
    s = {}
    # Single values, as the cap basis asks for them, and the worked values.
    s["p_negative_order.bin"] = xdlegf_seed(2.5, 0, 1, 1, 0.5, identifier(1))
    s["p_positive_order.bin"] = xdlegf_seed(2.5, 0, 1, 1, 0.5, identifier(3))
    s["p_order_two.bin"] = xdlegf_seed(0.3, 0, 2, 2, 1.2, identifier(1))
    s["q_order_zero.bin"] = xdlegf_seed(1.0, 0, 0, 0, 0.5, identifier(2))
    s["cap_basis_value.bin"] = xdlegf_seed(5.012005, 0, 2, 2, 0.3, identifier(3))
    # Runs of degrees and of orders, of every kind.
    s["p_run_of_degrees.bin"] = xdlegf_seed(0.25, 3, 2, 2, 0.7, identifier(1))
    s["p_run_of_orders.bin"] = xdlegf_seed(4.5, 0, 0, 3, 0.7, identifier(3))
    s["normalised_run_of_orders.bin"] = xdlegf_seed(5.0, 0, 0, 7, 1.0, identifier(4))
    s["normalised_run_of_degrees.bin"] = xdlegf_seed(2.0, 6, 3, 3, 1.5, identifier(4))
    s["q_run_of_orders.bin"] = xdlegf_seed(0.7, 0, 0, 5, 0.4, identifier(2))
    s["q_run_of_degrees.bin"] = xdlegf_seed(0.7, 4, 3, 3, 0.4, identifier(2))
    s["high_degree_small_angle.bin"] = xdlegf_seed(3000.5, 0, 10, 10, 0.01, identifier(1))
    s["many_orders.bin"] = xdlegf_seed(30.25, 0, 0, 400, 0.9, identifier(1))
    # Whole degrees: orders above the degree, and the degree -1.
    s["order_above_whole_degree.bin"] = xdlegf_seed(2.0, 0, 3, 3, 0.5, identifier(3))
    s["degree_minus_one_positive_order.bin"] = xdlegf_seed(-1.0, 0, 0, 0, 0.5, identifier(3))
    s["degree_minus_one_negative_order.bin"] = xdlegf_seed(-1.0, 0, 0, 0, 0.5, identifier(1))
    s["q_degree_minus_one.bin"] = xdlegf_seed(-1.0, 0, 0, 0, 0.5, identifier(2))
    s["theta_half_pi.bin"] = xdlegf_seed(1.5, 0, 1, 1, pi2, identifier(1))
    # Arrays one entry short, and a few entries long.
    s["arrays_short.bin"] = xdlegf_seed(0.25, 3, 2, 2, 0.7, identifier(1), 224)
    s["arrays_long.bin"] = xdlegf_seed(0.25, 3, 2, 2, 0.7, identifier(1), 243)
    # Every argument check.
    s["theta_above_half_pi.bin"] = xdlegf_seed(1.5, 0, 1, 1, math.nextafter(pi2, 4.0),
                                               identifier(1))
    s["theta_zero.bin"] = xdlegf_seed(1.5, 0, 1, 1, 0.0, identifier(1))
    s["theta_nan.bin"] = xdlegf_seed(1.5, 0, 1, 1, math.nan, identifier(1))
    s["degree_below_minus_one.bin"] = xdlegf_seed(-1.0000001, 0, 0, 0, 0.5, identifier(1))
    s["degree_nan.bin"] = xdlegf_seed(math.nan, 0, 0, 0, 0.5, identifier(1))
    s["degree_infinite.bin"] = xdlegf_seed(math.inf, 0, 0, 0, 0.5, identifier(1))
    s["nudiff_negative.bin"] = xdlegf_seed(1.5, -1, 0, 0, 0.5, identifier(1))
    s["orders_reversed.bin"] = xdlegf_seed(1.5, 0, 3, 2, 0.5, identifier(1))
    s["order_negative.bin"] = xdlegf_seed(1.5, 0, -1, 0, 0.5, identifier(1))
    s["id_zero.bin"] = xdlegf_seed(1.5, 0, 0, 0, 0.5, identifier(0))
    s["id_five_bad_theta.bin"] = xdlegf_seed(1.5, 0, 0, 0, 2.0, identifier(5))
    s["both_runs.bin"] = xdlegf_seed(1.5, 1, 0, 1, 0.5, identifier(1))
    s["normalised_fractional_degree.bin"] = xdlegf_seed(2.5, 0, 1, 1, 0.5, identifier(4))
    s["run_beyond_32_bits.bin"] = xdlegf_seed(1.5, 2**31 - 1, 0, 2**31 - 1, 0.5, identifier(1))
    # The other kinds of each argument: whole, fixed-point and near-whole
    # degrees, angles as a fraction of pi/2 and beside pi/2, small integers.
    s["kinds_whole_degree.bin"] = kind_seed(
        [1, 1, 1, 1, 1], [struct.pack("<h", 7), struct.pack("<i", 2), struct.pack("<i", 1),
                          struct.pack("<i", 1), struct.pack("<I", 2**31)], identifier(3))
    s["kinds_fixed_point.bin"] = kind_seed(
        [2, 2, 2, 2, 3], [struct.pack("<i", 3 * 65536 + 32768), struct.pack("<i", 0),
                          struct.pack("<i", 0), struct.pack("<i", 4),
                          struct.pack("<I", 2**31)], identifier(1))
    s["kinds_near_whole.bin"] = kind_seed(
        [3, 3, 3, 3, 2], [struct.pack("<hb", -1, 1), struct.pack("<i", 0), struct.pack("<i", 0),
                          struct.pack("<i", 0), struct.pack("<IBb", 0, 0, -1)], identifier(2))
    return s


def ref_file_seeds():
    """.ref files as laboratories hand them on, and the ways they go wrong."""
    curve = "".join(f"{1000 + 25 * k},{64 + 0.1 * k:.1f},{2.0 + 0.05 * k:.2f}\n" for k in range(12))
    s = {}
    s["plain.ref"] = "# inclination, degrees\n" + curve
    s["crlf_latin1_comments.ref"] = ("\xef\xbb\xbf# r\xe9f\xe9rence \xb0\r\n// M\xfcnchen\r\n"
                                     "/* two\r\nlines */\r\n! note\r\n"
                                     + curve.replace("\n", ",,\r\n"))
    s["spreadsheet_debris.ref"] = "1000,64.0,2.0\n1025,#REF!,2.0\n1050,64.2,NaN\n1075,64.3,1.9\n"
    s["missing_years.ref"] = "1000,64.0,2.0\n1025,64.1,2.0\n1050,64.2,2.0\n1200,65.0,1.0\n"
    s["reference_block.ref"] = curve + "# Reference points\n1010,63.0,1.0\n"
    s["semicolons.ref"] = "1000;64,0;2,0\n1025;64,5;2,5\n"
    s["out_of_order.ref"] = "1025,64.0,2.0\n1000,64.5,2.5\n"
    s["sigma_zero.ref"] = "1000,64.0,0\n1025,64.5,2.5\n"
    s["one_line.ref"] = "1000,64.0,2.0\n"
    return s


def curve_line(year, values):
    """A curve line of 72 characters in karven's fields (no zero before the point)."""
    def field(value, width):
        text = "%.2f" % value if isinstance(value, float) else value
        text = text.replace("0.", ".", 1) if text.startswith("0.") else text
        text = text.replace("-0.", "-.", 1) if text.startswith("-0.") else text
        return text.rjust(width)
    line = ("%d." % year).rjust(7)
    for value, width in zip(values, (10, 10, 10, 13, 11, 11)):
        line += field(value, width)
    return line + "\n"


CURVE_HEADER = (
    "      KARVEN.EU.26 Regional Archaeomagnetic Model\n"
    "          for Europe for the last 2000 years\n"
    + " \n" * 9
    + "   Geodetic Latitude  Geodetic Longitud\n"
    "          48.85           2.35\n"
    " \n"
    "                       *Errors at 95% of confidence\n"
    " \n"
    "Time(yrs) Dec.(deg) Inc.(deg) Int.(microT) eDec.(deg) eInc.(deg) eInt(microT)\n")


def curve_reader_seeds():
    # Byte 0: a whole file follows; any other byte: curve lines below a
    # well-formed header.
    lines = "".join(curve_line(5 * k, [-1.66 + 0.1 * k, 66.81 - 0.05 * k, 64.75, 2.13, 0.95, 2.51])
                    for k in range(8))
    s = {}
    s["whole_file.dat"] = "\x00" + CURVE_HEADER + lines
    s["whole_file_crlf.dat"] = "\x00" + (CURVE_HEADER + lines).replace("\n", "\r\n")
    s["header_cut_short.dat"] = "\x00" + "".join(CURVE_HEADER.splitlines(True)[:13])
    s["coefficients.dat"] = "\x00  62.35  0.12  -0.33  1.2e-2  0.5\n"
    s["lines.dat"] = "\x01" + lines
    s["gaps.dat"] = "\x01" + lines + curve_line(40, ["NaN", "-Inf", 64.0, "*" * 13, 0.9, 2.0]) \
        + curve_line(45, [1.0, 60.0, "inf", 2.0, "nan", "*" * 11])
    s["years_not_increasing.dat"] = "\x01" + curve_line(5, [1.0] * 6) + curve_line(5, [1.0] * 6)
    s["short_line.dat"] = "\x01" + lines[:100] + "\n"
    s["blank_lines_at_end.dat"] = "\x01" + lines + " \n\n   \n"
    s["exponents.dat"] = "\x01" + curve_line(0, ["1.5D+01", "6.0E1", "4e1", "2.", "+.9", "-1e-3"]) \
        + curve_line(1900, ["1e999", "-1e-999", ".5", "1", "2", "3"])
    return s


def samples_seeds():
    s = {}
    s["all_columns.csv"] = ("name,dec,inc,a95,int,sigma_int\n"
                            "K1,2.5,65.1,2.3,61.2,1.8\nK2,,64.0,3.1,,\nK3,,,,58.4,2.2\n")
    s["any_order_crlf.csv"] = "\xef\xbb\xbfsigma_int, int ,inc,a95,name\r\n1.5,60,,,\"A, B\"\r\n"
    s["quotes.csv"] = 'name,inc,a95\n"say ""hi""",60,2\n"open,60,2\n"x" y,60,2\n'
    s["bad_values.csv"] = "inc,a95,dec\n6x,2,1\nnan,2,1\n1e999,-inf,1\n60,2\n60,2,1,4\n"
    s["unknown_column.csv"] = "name,decl\nK1,3\n"
    s["twice.csv"] = "inc,a95,inc\n60,2,61\n"
    s["blank.csv"] = " \n\t\n"
    s["empty.csv"] = ""
    s["header_only.csv"] = "name,int,sigma_int"
    # Lines at the bound of 1024 bytes and past it, a header among them.
    s["long_lines.csv"] = ("name,inc,a95\n" + "K" * 1019 + ",60,2\n" + "K" * 1020 + ",60,2\n"
                           + " " * 2000 + "\nK2,61,2\n")
    s["long_header.csv"] = "\xef\xbb\xbfname," + "inc" + " " * 1020 + "\nK1,60\n"
    return s


def write(target, seeds):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, content in seeds.items():
        data = content.encode("latin-1") if isinstance(content, str) else content
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    write("fuzz_coefficients", coefficient_seeds())
    write("fuzz_console_number", console_seeds())
    write("fuzz_xdlegf", xdlegf_seeds())
    write("fuzz_ref_file", ref_file_seeds())
    write("fuzz_curve_reader", curve_reader_seeds())
    write("fuzz_samples", samples_seeds())
