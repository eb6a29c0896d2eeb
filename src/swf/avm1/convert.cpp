// Conversions between numbers, strings and encodings as the Flash script engine performs them.
// Number printing and reading deliberately use the player's own double arithmetic rather than
// correctly rounded conversions: movies compare the results with ===, and the player's answers
// differ in the last bit ("0.1499999" reads as 0.14999990000000005).
#include "swf/avm1/convert.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace swf::avm1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// 10^k for k in -307..308, each the nearest double.
constexpr double kPow10[] = {
    1e-307, 1e-306, 1e-305, 1e-304, 1e-303, 1e-302, 1e-301, 1e-300, 1e-299, 1e-298, 1e-297, 1e-296,
    1e-295, 1e-294, 1e-293, 1e-292, 1e-291, 1e-290, 1e-289, 1e-288, 1e-287, 1e-286, 1e-285, 1e-284,
    1e-283, 1e-282, 1e-281, 1e-280, 1e-279, 1e-278, 1e-277, 1e-276, 1e-275, 1e-274, 1e-273, 1e-272,
    1e-271, 1e-270, 1e-269, 1e-268, 1e-267, 1e-266, 1e-265, 1e-264, 1e-263, 1e-262, 1e-261, 1e-260,
    1e-259, 1e-258, 1e-257, 1e-256, 1e-255, 1e-254, 1e-253, 1e-252, 1e-251, 1e-250, 1e-249, 1e-248,
    1e-247, 1e-246, 1e-245, 1e-244, 1e-243, 1e-242, 1e-241, 1e-240, 1e-239, 1e-238, 1e-237, 1e-236,
    1e-235, 1e-234, 1e-233, 1e-232, 1e-231, 1e-230, 1e-229, 1e-228, 1e-227, 1e-226, 1e-225, 1e-224,
    1e-223, 1e-222, 1e-221, 1e-220, 1e-219, 1e-218, 1e-217, 1e-216, 1e-215, 1e-214, 1e-213, 1e-212,
    1e-211, 1e-210, 1e-209, 1e-208, 1e-207, 1e-206, 1e-205, 1e-204, 1e-203, 1e-202, 1e-201, 1e-200,
    1e-199, 1e-198, 1e-197, 1e-196, 1e-195, 1e-194, 1e-193, 1e-192, 1e-191, 1e-190, 1e-189, 1e-188,
    1e-187, 1e-186, 1e-185, 1e-184, 1e-183, 1e-182, 1e-181, 1e-180, 1e-179, 1e-178, 1e-177, 1e-176,
    1e-175, 1e-174, 1e-173, 1e-172, 1e-171, 1e-170, 1e-169, 1e-168, 1e-167, 1e-166, 1e-165, 1e-164,
    1e-163, 1e-162, 1e-161, 1e-160, 1e-159, 1e-158, 1e-157, 1e-156, 1e-155, 1e-154, 1e-153, 1e-152,
    1e-151, 1e-150, 1e-149, 1e-148, 1e-147, 1e-146, 1e-145, 1e-144, 1e-143, 1e-142, 1e-141, 1e-140,
    1e-139, 1e-138, 1e-137, 1e-136, 1e-135, 1e-134, 1e-133, 1e-132, 1e-131, 1e-130, 1e-129, 1e-128,
    1e-127, 1e-126, 1e-125, 1e-124, 1e-123, 1e-122, 1e-121, 1e-120, 1e-119, 1e-118, 1e-117, 1e-116,
    1e-115, 1e-114, 1e-113, 1e-112, 1e-111, 1e-110, 1e-109, 1e-108, 1e-107, 1e-106, 1e-105, 1e-104,
    1e-103, 1e-102, 1e-101, 1e-100, 1e-99,  1e-98,  1e-97,  1e-96,  1e-95,  1e-94,  1e-93,  1e-92,
    1e-91,  1e-90,  1e-89,  1e-88,  1e-87,  1e-86,  1e-85,  1e-84,  1e-83,  1e-82,  1e-81,  1e-80,
    1e-79,  1e-78,  1e-77,  1e-76,  1e-75,  1e-74,  1e-73,  1e-72,  1e-71,  1e-70,  1e-69,  1e-68,
    1e-67,  1e-66,  1e-65,  1e-64,  1e-63,  1e-62,  1e-61,  1e-60,  1e-59,  1e-58,  1e-57,  1e-56,
    1e-55,  1e-54,  1e-53,  1e-52,  1e-51,  1e-50,  1e-49,  1e-48,  1e-47,  1e-46,  1e-45,  1e-44,
    1e-43,  1e-42,  1e-41,  1e-40,  1e-39,  1e-38,  1e-37,  1e-36,  1e-35,  1e-34,  1e-33,  1e-32,
    1e-31,  1e-30,  1e-29,  1e-28,  1e-27,  1e-26,  1e-25,  1e-24,  1e-23,  1e-22,  1e-21,  1e-20,
    1e-19,  1e-18,  1e-17,  1e-16,  1e-15,  1e-14,  1e-13,  1e-12,  1e-11,  1e-10,  1e-9,   1e-8,
    1e-7,   1e-6,   1e-5,   1e-4,   1e-3,   1e-2,   1e-1,   1e0,    1e1,    1e2,    1e3,    1e4,
    1e5,    1e6,    1e7,    1e8,    1e9,    1e10,   1e11,   1e12,   1e13,   1e14,   1e15,   1e16,
    1e17,   1e18,   1e19,   1e20,   1e21,   1e22,   1e23,   1e24,   1e25,   1e26,   1e27,   1e28,
    1e29,   1e30,   1e31,   1e32,   1e33,   1e34,   1e35,   1e36,   1e37,   1e38,   1e39,   1e40,
    1e41,   1e42,   1e43,   1e44,   1e45,   1e46,   1e47,   1e48,   1e49,   1e50,   1e51,   1e52,
    1e53,   1e54,   1e55,   1e56,   1e57,   1e58,   1e59,   1e60,   1e61,   1e62,   1e63,   1e64,
    1e65,   1e66,   1e67,   1e68,   1e69,   1e70,   1e71,   1e72,   1e73,   1e74,   1e75,   1e76,
    1e77,   1e78,   1e79,   1e80,   1e81,   1e82,   1e83,   1e84,   1e85,   1e86,   1e87,   1e88,
    1e89,   1e90,   1e91,   1e92,   1e93,   1e94,   1e95,   1e96,   1e97,   1e98,   1e99,   1e100,
    1e101,  1e102,  1e103,  1e104,  1e105,  1e106,  1e107,  1e108,  1e109,  1e110,  1e111,  1e112,
    1e113,  1e114,  1e115,  1e116,  1e117,  1e118,  1e119,  1e120,  1e121,  1e122,  1e123,  1e124,
    1e125,  1e126,  1e127,  1e128,  1e129,  1e130,  1e131,  1e132,  1e133,  1e134,  1e135,  1e136,
    1e137,  1e138,  1e139,  1e140,  1e141,  1e142,  1e143,  1e144,  1e145,  1e146,  1e147,  1e148,
    1e149,  1e150,  1e151,  1e152,  1e153,  1e154,  1e155,  1e156,  1e157,  1e158,  1e159,  1e160,
    1e161,  1e162,  1e163,  1e164,  1e165,  1e166,  1e167,  1e168,  1e169,  1e170,  1e171,  1e172,
    1e173,  1e174,  1e175,  1e176,  1e177,  1e178,  1e179,  1e180,  1e181,  1e182,  1e183,  1e184,
    1e185,  1e186,  1e187,  1e188,  1e189,  1e190,  1e191,  1e192,  1e193,  1e194,  1e195,  1e196,
    1e197,  1e198,  1e199,  1e200,  1e201,  1e202,  1e203,  1e204,  1e205,  1e206,  1e207,  1e208,
    1e209,  1e210,  1e211,  1e212,  1e213,  1e214,  1e215,  1e216,  1e217,  1e218,  1e219,  1e220,
    1e221,  1e222,  1e223,  1e224,  1e225,  1e226,  1e227,  1e228,  1e229,  1e230,  1e231,  1e232,
    1e233,  1e234,  1e235,  1e236,  1e237,  1e238,  1e239,  1e240,  1e241,  1e242,  1e243,  1e244,
    1e245,  1e246,  1e247,  1e248,  1e249,  1e250,  1e251,  1e252,  1e253,  1e254,  1e255,  1e256,
    1e257,  1e258,  1e259,  1e260,  1e261,  1e262,  1e263,  1e264,  1e265,  1e266,  1e267,  1e268,
    1e269,  1e270,  1e271,  1e272,  1e273,  1e274,  1e275,  1e276,  1e277,  1e278,  1e279,  1e280,
    1e281,  1e282,  1e283,  1e284,  1e285,  1e286,  1e287,  1e288,  1e289,  1e290,  1e291,  1e292,
    1e293,  1e294,  1e295,  1e296,  1e297,  1e298,  1e299,  1e300,  1e301,  1e302,  1e303,  1e304,
    1e305,  1e306,  1e307,  1e308,
};

double pow10(int k) { return kPow10[k + 307]; }

// v * 10^e without overflowing or underflowing in the intermediate powers.
double scale10(double v, int32_t e) {
    for (; e > 308; e -= 308) {
        v *= 1e308;
        if (std::isinf(v)) return v;
    }
    for (; e < -308; e += 308) {
        v /= 1e308;
        if (v == 0) return v;
    }
    return e >= 0 ? v * pow10(e) : v / pow10(-e);
}

// Simple one-to-one case mapping of BMP code points, as runs: code points first..last, every
// `stride`th one, map to themselves plus `delta`. These are the player's tables, which predate
// letters such as U+023A and map some code points Unicode leaves alone (U+03A2 <-> U+03C2).
struct CaseRange {
    uint16_t first, last;
    int16_t delta;
    uint8_t stride;
};

constexpr CaseRange kToLower[] = {
    {0x0041, 0x005A, 32, 1},    {0x00C0, 0x00D6, 32, 1},    {0x00D8, 0x00DE, 32, 1},
    {0x0100, 0x012E, 1, 2},     {0x0130, 0x0130, -199, 1},  {0x0132, 0x0136, 1, 2},
    {0x0139, 0x0147, 1, 2},     {0x014A, 0x0176, 1, 2},     {0x0178, 0x0178, -121, 1},
    {0x0179, 0x017D, 1, 2},     {0x0181, 0x0181, 210, 1},   {0x0182, 0x0184, 1, 2},
    {0x0186, 0x0186, 206, 1},   {0x0187, 0x0187, 1, 1},     {0x0189, 0x018A, 205, 1},
    {0x018B, 0x018B, 1, 1},     {0x018E, 0x018E, 79, 1},    {0x018F, 0x018F, 202, 1},
    {0x0190, 0x0190, 203, 1},   {0x0191, 0x0191, 1, 1},     {0x0193, 0x0193, 205, 1},
    {0x0194, 0x0194, 207, 1},   {0x0196, 0x0196, 211, 1},   {0x0197, 0x0197, 209, 1},
    {0x0198, 0x0198, 1, 1},     {0x019C, 0x019C, 211, 1},   {0x019D, 0x019D, 213, 1},
    {0x019F, 0x019F, 214, 1},   {0x01A0, 0x01A4, 1, 2},     {0x01A6, 0x01A6, 218, 1},
    {0x01A7, 0x01A7, 1, 1},     {0x01A9, 0x01A9, 218, 1},   {0x01AC, 0x01AC, 1, 1},
    {0x01AE, 0x01AE, 218, 1},   {0x01AF, 0x01AF, 1, 1},     {0x01B1, 0x01B2, 217, 1},
    {0x01B3, 0x01B5, 1, 2},     {0x01B7, 0x01B7, 219, 1},   {0x01B8, 0x01B8, 1, 1},
    {0x01BC, 0x01BC, 1, 1},     {0x01C4, 0x01C4, 2, 1},     {0x01C5, 0x01C5, 1, 1},
    {0x01C7, 0x01C7, 2, 1},     {0x01C8, 0x01C8, 1, 1},     {0x01CA, 0x01CA, 2, 1},
    {0x01CB, 0x01DB, 1, 2},     {0x01DE, 0x01EE, 1, 2},     {0x01F1, 0x01F1, 2, 1},
    {0x01F2, 0x01F4, 1, 2},     {0x01F6, 0x01F6, -97, 1},   {0x01F7, 0x01F7, -56, 1},
    {0x01F8, 0x021E, 1, 2},     {0x0222, 0x0232, 1, 2},     {0x0386, 0x0386, 38, 1},
    {0x0388, 0x038A, 37, 1},    {0x038C, 0x038C, 64, 1},    {0x038E, 0x038F, 63, 1},
    {0x0391, 0x03AB, 32, 1},    {0x03D8, 0x03EE, 1, 2},     {0x03F4, 0x03F4, -60, 1},
    {0x0400, 0x040F, 80, 1},    {0x0410, 0x042F, 32, 1},    {0x0460, 0x0480, 1, 2},
    {0x048A, 0x04BE, 1, 2},     {0x04C1, 0x04C3, 1, 2},     {0x04C7, 0x04C7, 1, 1},
    {0x04CB, 0x04CB, 1, 1},     {0x04D0, 0x04F8, 1, 2},     {0x0531, 0x0556, 48, 1},
    {0x10A0, 0x10C5, 48, 1},    {0x1E00, 0x1E94, 1, 2},     {0x1EA0, 0x1EF8, 1, 2},
    {0x1F08, 0x1F0F, -8, 1},    {0x1F18, 0x1F1D, -8, 1},    {0x1F28, 0x1F2F, -8, 1},
    {0x1F38, 0x1F3F, -8, 1},    {0x1F48, 0x1F4D, -8, 1},    {0x1F59, 0x1F5F, -8, 2},
    {0x1F68, 0x1F6F, -8, 1},    {0x1F88, 0x1F8F, -8, 1},    {0x1F98, 0x1F9F, -8, 1},
    {0x1FA8, 0x1FAF, -8, 1},    {0x1FB8, 0x1FB9, -8, 1},    {0x1FBA, 0x1FBB, -74, 1},
    {0x1FBC, 0x1FBC, -9, 1},    {0x1FC8, 0x1FCB, -86, 1},   {0x1FCC, 0x1FCC, -9, 1},
    {0x1FD8, 0x1FD9, -8, 1},    {0x1FDA, 0x1FDB, -100, 1},  {0x1FE8, 0x1FE9, -8, 1},
    {0x1FEA, 0x1FEB, -112, 1},  {0x1FEC, 0x1FEC, -7, 1},    {0x1FF8, 0x1FF9, -128, 1},
    {0x1FFA, 0x1FFB, -126, 1},  {0x1FFC, 0x1FFC, -9, 1},    {0x2126, 0x2126, -7517, 1},
    {0x212A, 0x212A, -8383, 1}, {0x212B, 0x212B, -8262, 1}, {0x2160, 0x216F, 16, 1},
    {0x24B6, 0x24CF, 26, 1},    {0xFF21, 0xFF3A, 32, 1},
};
constexpr CaseRange kToUpper[] = {
    {0x0061, 0x007A, -32, 1},  {0x00E0, 0x00F6, -32, 1},  {0x00F8, 0x00FE, -32, 1},
    {0x00FF, 0x00FF, 121, 1},  {0x0101, 0x012F, -1, 2},   {0x0131, 0x0131, -232, 1},
    {0x0133, 0x0137, -1, 2},   {0x013A, 0x0148, -1, 2},   {0x014B, 0x0177, -1, 2},
    {0x017A, 0x017E, -1, 2},   {0x017F, 0x017F, -300, 1}, {0x0183, 0x0185, -1, 2},
    {0x0188, 0x0188, -1, 1},   {0x018C, 0x018C, -1, 1},   {0x0192, 0x0192, -1, 1},
    {0x0195, 0x0195, 97, 1},   {0x0199, 0x0199, -1, 1},   {0x01A1, 0x01A5, -1, 2},
    {0x01A8, 0x01A8, -1, 1},   {0x01AD, 0x01AD, -1, 1},   {0x01B0, 0x01B0, -1, 1},
    {0x01B4, 0x01B6, -1, 2},   {0x01B9, 0x01B9, -1, 1},   {0x01BD, 0x01BD, -1, 1},
    {0x01BF, 0x01BF, 56, 1},   {0x01C5, 0x01C5, -1, 1},   {0x01C6, 0x01C6, -2, 1},
    {0x01C8, 0x01C8, -1, 1},   {0x01C9, 0x01C9, -2, 1},   {0x01CB, 0x01CB, -1, 1},
    {0x01CC, 0x01CC, -2, 1},   {0x01CE, 0x01DC, -1, 2},   {0x01DD, 0x01DD, -79, 1},
    {0x01DF, 0x01EF, -1, 2},   {0x01F2, 0x01F2, -1, 1},   {0x01F3, 0x01F3, -2, 1},
    {0x01F5, 0x01F5, -1, 1},   {0x01F9, 0x021F, -1, 2},   {0x0223, 0x0233, -1, 2},
    {0x0253, 0x0253, -210, 1}, {0x0254, 0x0254, -206, 1}, {0x0256, 0x0257, -205, 1},
    {0x0259, 0x0259, -202, 1}, {0x025B, 0x025B, -203, 1}, {0x0260, 0x0260, -205, 1},
    {0x0263, 0x0263, -207, 1}, {0x0268, 0x0268, -209, 1}, {0x0269, 0x0269, -211, 1},
    {0x026F, 0x026F, -211, 1}, {0x0272, 0x0272, -213, 1}, {0x0275, 0x0275, -214, 1},
    {0x0280, 0x0280, -218, 1}, {0x0283, 0x0283, -218, 1}, {0x0288, 0x0288, -218, 1},
    {0x028A, 0x028B, -217, 1}, {0x0292, 0x0292, -219, 1}, {0x0345, 0x0345, 84, 1},
    {0x03AC, 0x03AC, -38, 1},  {0x03AD, 0x03AF, -37, 1},  {0x03B1, 0x03CB, -32, 1},
    {0x03CC, 0x03CC, -64, 1},  {0x03CD, 0x03CE, -63, 1},  {0x03D0, 0x03D0, -62, 1},
    {0x03D1, 0x03D1, -57, 1},  {0x03D5, 0x03D5, -47, 1},  {0x03D6, 0x03D6, -54, 1},
    {0x03D9, 0x03EF, -1, 2},   {0x03F0, 0x03F0, -86, 1},  {0x03F1, 0x03F1, -80, 1},
    {0x03F2, 0x03F2, -79, 1},  {0x03F5, 0x03F5, -96, 1},  {0x0430, 0x044F, -32, 1},
    {0x0450, 0x045F, -80, 1},  {0x0461, 0x0481, -1, 2},   {0x048B, 0x04BF, -1, 2},
    {0x04C2, 0x04C4, -1, 2},   {0x04C8, 0x04C8, -1, 1},   {0x04CC, 0x04CC, -1, 1},
    {0x04D1, 0x04F9, -1, 2},   {0x0561, 0x0586, -48, 1},  {0x1E01, 0x1E95, -1, 2},
    {0x1E9B, 0x1E9B, -59, 1},  {0x1EA1, 0x1EF9, -1, 2},   {0x1F00, 0x1F07, 8, 1},
    {0x1F10, 0x1F15, 8, 1},    {0x1F20, 0x1F27, 8, 1},    {0x1F30, 0x1F37, 8, 1},
    {0x1F40, 0x1F45, 8, 1},    {0x1F51, 0x1F57, 8, 2},    {0x1F60, 0x1F67, 8, 1},
    {0x1F70, 0x1F71, 74, 1},   {0x1F72, 0x1F75, 86, 1},   {0x1F76, 0x1F77, 100, 1},
    {0x1F78, 0x1F79, 128, 1},  {0x1F7A, 0x1F7B, 112, 1},  {0x1F7C, 0x1F7D, 126, 1},
    {0x1F80, 0x1F87, 8, 1},    {0x1F90, 0x1F97, 8, 1},    {0x1FA0, 0x1FA7, 8, 1},
    {0x1FB0, 0x1FB1, 8, 1},    {0x1FB3, 0x1FB3, 9, 1},    {0x1FBE, 0x1FBE, -7205, 1},
    {0x1FC3, 0x1FC3, 9, 1},    {0x1FD0, 0x1FD1, 8, 1},    {0x1FE0, 0x1FE1, 8, 1},
    {0x1FE5, 0x1FE5, 7, 1},    {0x1FF3, 0x1FF3, 9, 1},    {0x2170, 0x217F, -16, 1},
    {0x24D0, 0x24E9, -26, 1},  {0xFF41, 0xFF5A, -32, 1},
};

template <size_t N>
char32_t map_case(const CaseRange (&table)[N], char32_t c) {
    if (c > 0xFFFF) return c;
    const CaseRange* it = std::upper_bound(
        table, table + N, c, [](char32_t x, const CaseRange& r) { return x < r.first; });
    if (it == table) return c;
    --it;
    if (c > it->last || (c - it->first) % it->stride != 0) return c;
    return char32_t(int32_t(c) + it->delta);
}

// Windows-1252 0x80..0x9F; the five unassigned bytes keep their C1 code points.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Digit value in bases up to 36, or 99.
int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}
int hex_value(char c) {
    int d = digit_value(c);
    return d < 16 ? d : -1;
}

size_t skip_space(std::string_view s, size_t i) {
    while (i < s.size() && is_space(s[i])) ++i;
    return i;
}

// Reads [sign] digits [. digits] [e [sign] digits] at s[i] into `out` and returns the end, or
// npos when there is no digit. The value is accumulated digit by digit like the player does:
// integer digits as v*10+d, fraction digits as d*0.1, d*0.01... summed in turn. An exponent
// without digits is consumed and ignored ("2e" is 2); its digits wrap at 32 bits
// ("1e4294967297" is 10). With `extra_dots` (parseFloat) later dots are skipped and leave
// no exponent to follow ("1.2345.6e50" is 1.23456).
size_t scan_decimal(std::string_view s, size_t i, bool extra_dots, double& out) {
    const size_t n = s.size();
    bool neg = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    double v = 0;
    bool any = false;
    for (; i < n && is_digit(s[i]); ++i, any = true) v = v * 10 + (s[i] - '0');
    bool more_dots = false;
    if (i < n && s[i] == '.') {
        double scale = 0.1;
        for (++i; i < n; ++i) {
            if (is_digit(s[i])) {
                v += (s[i] - '0') * scale;
                scale /= 10;
                any = true;
            } else if (extra_dots && s[i] == '.') {
                more_dots = true;
            } else {
                break;
            }
        }
    }
    if (!any) return std::string_view::npos;
    if (!more_dots && i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool eneg = false;
        if (i < n && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
        uint32_t e = 0;
        bool edigits = false;
        for (; i < n && is_digit(s[i]); ++i, edigits = true) e = e * 10 + uint32_t(s[i] - '0');
        if (edigits) v = scale10(v, int32_t(eneg ? 0u - e : e));
    }
    out = neg ? -v : v;
    return i;
}

// The rest of s from i as digits of `base`, all of them, wrapped to 32 bits; false if there are
// none or something else follows.
bool whole_int32(std::string_view s, size_t i, uint32_t base, uint32_t& out) {
    if (i >= s.size()) return false;
    uint32_t v = 0;
    for (; i < s.size(); ++i) {
        int d = digit_value(s[i]);
        if (uint32_t(d) >= base) return false;
        v = v * base + uint32_t(d);
    }
    out = v;
    return true;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (c >> 18)));
        out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

// Decodes the code point at s[i] and advances i. A byte that does not start a well-formed
// sequence stands for its Latin-1 code point and clears `ok`. Surrogates in 3-byte form pass
// when `surrogates` is set.
char32_t next_code_point(std::string_view s, size_t& i, bool surrogates, bool& ok) {
    const auto b = [&](size_t k) { return uint8_t(s[i + k]); };
    const size_t left = s.size() - i;
    const auto cont = [&](size_t k) { return k < left && (b(k) & 0xC0) == 0x80; };
    const uint8_t b0 = b(0);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF && cont(1)) {
        i += 2;
        return char32_t(b0 & 0x1F) << 6 | (s[i - 1] & 0x3F);
    }
    if (b0 >= 0xE0 && b0 <= 0xEF && cont(1) && cont(2)) {
        char32_t c = char32_t(b0 & 0x0F) << 12 | char32_t(b(1) & 0x3F) << 6 | (b(2) & 0x3F);
        if (c >= 0x800 && (surrogates || c < 0xD800 || c > 0xDFFF)) {
            i += 3;
            return c;
        }
    }
    if (b0 >= 0xF0 && b0 <= 0xF4 && cont(1) && cont(2) && cont(3)) {
        char32_t c = char32_t(b0 & 0x07) << 18 | char32_t(b(1) & 0x3F) << 12 |
                     char32_t(b(2) & 0x3F) << 6 | (b(3) & 0x3F);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            i += 4;
            return c;
        }
    }
    ok = false;
    ++i;
    return b0;
}

// Well-formed UTF-8 (with 3-byte surrogates if allowed)?
bool valid_utf8(std::string_view s, bool surrogates) {
    bool ok = true;
    for (size_t i = 0; i < s.size() && ok;) {
        if (uint8_t(s[i]) < 0x80)
            ++i;
        else
            next_code_point(s, i, surrogates, ok);
    }
    return ok;
}

// s as well-formed UTF-8, stray bytes read as Latin-1.
std::string repair_utf8(std::string_view s) {
    if (valid_utf8(s, true)) return std::string(s);
    std::string out;
    out.reserve(s.size() + s.size() / 2);
    bool ok = true;
    for (size_t i = 0; i < s.size();) append_utf8(out, next_code_point(s, i, true, ok));
    return out;
}

std::string map_string(std::string_view s, bool lower) {
    std::string out;
    out.reserve(s.size());
    if (is_ascii(s)) {
        const char from = lower ? 'A' : 'a';
        const int delta = lower ? 32 : -32;
        for (char c : s) out.push_back(c >= from && c < from + 26 ? char(c + delta) : c);
        return out;
    }
    bool ok = true;
    for (size_t i = 0; i < s.size();) {
        const char32_t c = next_code_point(s, i, true, ok);
        append_utf8(out, lower ? map_case(kToLower, c) : map_case(kToUpper, c));
    }
    return out;
}

// 15 significant digits of a > 0 (finite, not 0) as an integer in [1e14, 1e15), and the decimal
// exponent of the first. The player scales with one division by a power of ten and rounds half
// up, which decides ties differently from exact decimal rounding (1.234567891234565e-6 prints
// ...457); near the top of the range it truncates instead of overflowing (MAX_VALUE prints
// 1.79769313486231e+308).
uint64_t significant_digits(double a, int& exp) {
    int e = int(std::floor(std::log10(a)));
    const auto scaled = [a](int exp10) {
        const int k = exp10 - 14;
        return k >= -307 ? a / pow10(k) : a / 1e-307 * pow10(-307 - k);
    };
    double m = scaled(e);
    if (m < 1e14) {
        m = scaled(--e);
    } else if (m >= 1e15) {
        m = scaled(++e);
    }
    double r = std::floor(m + 0.5);
    if (e == 308 && std::isinf(a + 0.5 * pow10(e - 14))) r = std::floor(m);
    if (r >= 1e15) {
        r = 1e14;
        ++e;
    }
    exp = e;
    return uint64_t(r);
}

char* write_uint(char* p, uint64_t n) {
    char tmp[20];
    char* t = tmp + sizeof tmp;
    do {
        *--t = char('0' + n % 10);
        n /= 10;
    } while (n);
    return std::copy(t, tmp + sizeof tmp, p);
}

constexpr char kDigitChars[] = "0123456789abcdefghijklmnopqrstuvwxyz";

}  // namespace

std::string number_to_string(double v) {
    if (std::isnan(v)) return "NaN";
    if (v == 0) return "0";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    char buf[40];
    char* p = buf;
    if (v < 0) {
        *p++ = '-';
        v = -v;
    }
    if (v < 1e15 && v == std::floor(v)) return std::string(buf, write_uint(p, uint64_t(v)));

    int e;
    char digits[16];
    write_uint(digits, significant_digits(v, e));
    int len = 15;
    while (digits[len - 1] == '0') --len;

    if (e >= 0 && e < 15) {
        const int int_len = e + 1;
        for (int k = 0; k < int_len; ++k) *p++ = k < len ? digits[k] : '0';
        if (len > int_len) {
            *p++ = '.';
            p = std::copy(digits + int_len, digits + len, p);
        }
    } else if (e < 0 && e >= -5) {
        *p++ = '0';
        *p++ = '.';
        p = std::fill_n(p, -e - 1, '0');
        p = std::copy(digits, digits + len, p);
    } else {
        *p++ = digits[0];
        if (len > 1) {
            *p++ = '.';
            p = std::copy(digits + 1, digits + len, p);
        }
        *p++ = 'e';
        *p++ = e < 0 ? '-' : '+';
        p = write_uint(p, uint64_t(e < 0 ? -e : e));
    }
    return std::string(buf, p);
}

std::string number_to_string_radix(double v, int radix) {
    if (radix < 2 || radix > 36 || radix == 10 || !std::isfinite(v)) return number_to_string(v);
    const double t = std::trunc(std::fabs(v));
    std::string out;
    if (t < 18446744073709551616.0) {
        uint64_t n = uint64_t(t);
        do {
            out.push_back(kDigitChars[n % uint64_t(radix)]);
            n /= uint64_t(radix);
        } while (n);
    } else {
        // The exact integer mantissa * 2^shift, divided down 32 bits at a time.
        int exp;
        const uint64_t mant = uint64_t(std::ldexp(std::frexp(t, &exp), 53));
        const int shift = exp - 53;
        std::vector<uint32_t> limbs(size_t(exp) / 32 + 3, 0);
        const size_t word = size_t(shift) / 32;
        const int off = shift % 32;
        const uint64_t lo = mant << off;
        limbs[word] = uint32_t(lo);
        limbs[word + 1] = uint32_t(lo >> 32);
        limbs[word + 2] = off ? uint32_t(mant >> (64 - off)) : 0;
        while (!limbs.empty() && limbs.back() == 0) limbs.pop_back();
        while (!limbs.empty()) {
            uint64_t rem = 0;
            for (size_t k = limbs.size(); k-- > 0;) {
                const uint64_t cur = rem << 32 | limbs[k];
                limbs[k] = uint32_t(cur / uint64_t(radix));
                rem = cur % uint64_t(radix);
            }
            out.push_back(kDigitChars[rem]);
            while (!limbs.empty() && limbs.back() == 0) limbs.pop_back();
        }
    }
    if (v < 0 && t != 0) out.push_back('-');
    std::reverse(out.begin(), out.end());
    return out;
}

double string_to_number(std::string_view s, int version) {
    double v = 0;
    if (version <= 4) {
        return scan_decimal(s, skip_space(s, 0), false, v) == std::string_view::npos ? 0 : v;
    }
    if (version >= 6) {
        // Prefixes count only at the very start: " 0x2" and " 077" are decimal (NaN and 77).
        uint32_t bits;
        if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            size_t i = 2;
            bool neg = false;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
            if (!whole_int32(s, i, 16, bits)) return kNaN;
            return int32_t(neg ? 0u - bits : bits);
        }
        const size_t i = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
        if (s.size() > i + 1 && s[i] == '0' && whole_int32(s, i + 1, 8, bits))
            return int32_t(s[0] == '-' ? 0u - bits : bits);
    }
    const size_t end = scan_decimal(s, skip_space(s, 0), false, v);
    return end == s.size() ? v : kNaN;
}

double parse_int(std::string_view s, bool radix_given, double radix) {
    const size_t n = s.size();
    size_t i = 0;
    bool neg = false;
    int base = 10;
    const auto sign = [&] {
        if (i < n && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    };
    const auto hex_prefix = [&] {
        return i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X');
    };
    if (radix_given) {
        if (!(radix >= 2 && radix < 37)) return kNaN;
        base = int(radix);
        i = skip_space(s, 0);
        sign();
        if (base == 16 && hex_prefix()) i += 2;
    } else if (hex_prefix()) {
        // "0x" is seen only at the very start, and the sign comes after it ("0x-100").
        base = 16;
        i = 2;
        sign();
    } else {
        // A leading zero means octal unless whitespace came first ("  077" is 77).
        if (n > 0 && (s[0] == '0' || (n > 1 && (s[0] == '+' || s[0] == '-') && s[1] == '0')))
            base = 8;
        i = skip_space(s, 0);
        sign();
    }
    double v = 0;
    const size_t start = i;
    for (int d; i < n && (d = digit_value(s[i])) < base; ++i) v = v * base + d;
    if (i == start) return kNaN;
    return neg ? -v : v;
}

double parse_float(std::string_view s) {
    double v;
    return scan_decimal(s, skip_space(s, 0), true, v) == std::string_view::npos ? kNaN : v;
}

int32_t to_int32(double v) {
    if (v >= -2147483648.0 && v < 2147483648.0) return int32_t(v);
    if (!std::isfinite(v)) return 0;
    double m = std::fmod(std::trunc(v), 4294967296.0);
    if (m < 0) m += 4294967296.0;
    return int32_t(uint32_t(m));
}

uint32_t to_uint32(double v) { return uint32_t(to_int32(v)); }

std::string escape(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (char ch : utf8) {
        if (ch == '\0') break;
        const auto c = uint8_t(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

std::string unescape(std::string_view s) {
    std::string bytes;
    bytes.reserve(s.size());
    const size_t n = s.size();
    for (size_t i = 0; i < n;) {
        if (s[i] == '+') {
            bytes.push_back(' ');
            ++i;
            continue;
        }
        if (s[i] != '%') {
            bytes.push_back(s[i++]);
            continue;
        }
        // A malformed escape vanishes with what was read for it: "%z" both characters, "%4z"
        // all three. A '+' in the second digit's place is passed over, so "%2+r" goes whole.
        if (i + 1 >= n) break;
        const int hi = hex_value(s[i + 1]);
        if (hi < 0) {
            i += 2;
            continue;
        }
        size_t j = i + 2;
        if (j < n && s[j] == '+') ++j;
        if (j >= n) break;
        const int lo = hex_value(s[j]);
        i = j + 1;
        if (lo < 0) continue;
        if (hi == 0 && lo == 0) break;  // the string ends at a NUL
        bytes.push_back(char(hi << 4 | lo));
    }
    return repair_utf8(bytes);
}

std::u16string utf8_to_utf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    bool ok = true;
    for (size_t i = 0; i < s.size();) {
        const char32_t c = next_code_point(s, i, true, ok);
        if (c < 0x10000) {
            out.push_back(char16_t(c));
        } else {
            out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        }
    }
    return out;
}

std::string utf16_to_utf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        append_utf8(out, c);
    }
    return out;
}

bool is_ascii(std::string_view s) {
    for (char c : s)
        if (uint8_t(c) >= 0x80) return false;
    return true;
}

std::string decode_file_string(std::string_view bytes, [[maybe_unused]] int version) {
    // Both eras come out of the same rule: old movies carry code-page text, and code-page text
    // is almost never well-formed UTF-8 unless it is plain ASCII.
    if (valid_utf8(bytes, false)) return std::string(bytes);
    // Surrogate pairs written half by half as 3-byte sequences become the character they make;
    // a lone half is not text.
    if (valid_utf8(bytes, true)) {
        const std::u16string units = utf8_to_utf16(bytes);
        bool paired = true;
        for (size_t i = 0; i < units.size() && paired; ++i) {
            const char16_t u = units[i];
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) ++i;
            else if (u >= 0xD800 && u <= 0xDFFF) paired = false;
        }
        if (paired) return utf16_to_utf8(units);
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (char ch : bytes) {
        const auto c = uint8_t(ch);
        append_utf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
    }
    return out;
}

std::string fold_case(std::string_view utf8) { return map_string(utf8, true); }
std::string to_upper(std::string_view utf8) { return map_string(utf8, false); }
std::string to_lower(std::string_view utf8) { return map_string(utf8, true); }

std::string xml_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace swf::avm1
