// Value conversions of the script engine: numbers to and from strings the way Flash does them,
// int32 wrapping, escape/unescape, UTF-8/UTF-16 and the case tables. All pure functions on
// strings and doubles; strings are UTF-8 inside the engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace swf::avm1 {

// NaN, Infinity, -Infinity, 0 for both zeros; otherwise 15 significant digits without trailing
// zeros, positional for decimal exponents -5..14 ("0.0000123456789012346", "111111111111111") and
// d.ddde+N / d.ddde-N outside ("1e+15", "5.4e-6", "1.79769313486231e+308").
std::string number_to_string(double v);
// Number.prototype.toString(radix): radix 2..36 (except 10) gives the integer part in that base,
// lowercase, with a sign ("-b" for -11 in base 16); any other radix is the base-10 form above.
std::string number_to_string_radix(double v, int radix);

// ToNumber of a string under the movie's version rules:
//  <= 4: the longest numeric prefix, 0 when there is none ("150a" 150, "0x96" 0, "010" 10);
//     5: the whole string must be a decimal number after leading whitespace, else NaN
//        ("" NaN, "Infinity" NaN, "0x10" NaN, trailing whitespace NaN, "2e" 2);
//  >= 6: as 5, plus "0x"/"0X" hex and leading-zero octal ("077" 63, "-077" -63) read as signed
//        32-bit ("0xFF000000" -16777216, "0x-10" -16), neither after whitespace (" 077" 77).
double string_to_number(std::string_view s, int version);

// _global.parseInt. radix_given=false for parseInt(s); otherwise `radix` is ToNumber of the
// argument and must truncate to 2..36, else NaN. Without a radix "0x" at the very start is hex
// ("0x-100" -256) and a leading 0 not after whitespace is octal ("077" 63, "  077" 77).
double parse_int(std::string_view s, bool radix_given, double radix);
// _global.parseFloat: the longest numeric prefix after whitespace ("10e" 10, "0xff" 0,
// "Infinity" NaN); further dots are skipped ("1.2345.678" 1.2345678) and end the exponent part.
double parse_float(std::string_view s);

int32_t to_int32(double v);  // NaN and infinities 0; truncated and wrapped modulo 2^32
uint32_t to_uint32(double v);

// escape(): every byte but A-Z a-z 0-9 becomes %XX (uppercase hex); stops at a NUL.
std::string escape(std::string_view utf8);
// XML text: & < > " ' as entities.
std::string xml_escape(std::string_view text);
// unescape(): %XX in either case, '+' is a space; malformed escapes are dropped. The decoded bytes
// are read as UTF-8, stray bytes as Latin-1; a decoded NUL ends the string.
std::string unescape(std::string_view s);

// Bytes that are not well-formed UTF-8 are taken as Latin-1 code points; surrogates encoded as
// 3-byte sequences are accepted, and utf16_to_utf8 writes lone surrogates that way, so any
// UTF-16 string survives the round trip.
std::u16string utf8_to_utf16(std::string_view s);
std::string utf16_to_utf8(std::u16string_view s);
bool is_ascii(std::string_view s);

// A string from the movie file (DefineFunction names, Push strings, ...) as engine UTF-8. SWF6+
// movies write UTF-8, older ones the author's code page: bytes that are well-formed UTF-8 are
// kept, anything else is read as Windows-1252.
std::string decode_file_string(std::string_view bytes, int version);

// Key for case-insensitive names (SWF <= 6): lowercase by the player's table, so "Ä"/"ä",
// Cyrillic pairs and "Ǳ"/"ǲ"/"ǳ" all meet; letters the table lacks ("Ⱥ") stay apart.
std::string fold_case(std::string_view utf8);
// String.prototype.toUpperCase / toLowerCase: one code unit to one, from the same tables.
std::string to_upper(std::string_view utf8);
std::string to_lower(std::string_view utf8);

}  // namespace swf::avm1
