#pragma once
// The keys of the input quantities, each spelled once: the design file's
// key and the command's option. The rows of the table and every binding of
// a key to a member use these constants, so a key misspelled anywhere fails
// the build and renaming one is one line.

#include <string_view>

namespace stepdown::key {

inline constexpr std::string_view vi = "vi";
inline constexpr std::string_view vo = "vo";
inline constexpr std::string_view f = "f";
inline constexpr std::string_view ripple = "ripple";
inline constexpr std::string_view dvo = "dvo";
inline constexpr std::string_view io = "io";
inline constexpr std::string_view d = "d";
inline constexpr std::string_view l = "l";
inline constexpr std::string_view c = "c";
inline constexpr std::string_view rl = "rl";
inline constexpr std::string_view n = "n";
inline constexpr std::string_view np = "np";
inline constexpr std::string_view ni = "ni";
inline constexpr std::string_view series = "series";
inline constexpr std::string_view round = "round";
inline constexpr std::string_view tolL = "tol-l";
inline constexpr std::string_view tolC = "tol-c";
inline constexpr std::string_view viMin = "vi-min";
inline constexpr std::string_view viMax = "vi-max";
inline constexpr std::string_view ioMin = "io-min";
inline constexpr std::string_view ioMax = "io-max";
inline constexpr std::string_view ioFrom = "io-from";
inline constexpr std::string_view ioTo = "io-to";
inline constexpr std::string_view points = "points";
inline constexpr std::string_view esr = "esr";
inline constexpr std::string_view dcr = "dcr";
inline constexpr std::string_view rds = "rds";
inline constexpr std::string_view rd = "rd";
inline constexpr std::string_view vf = "vf";
inline constexpr std::string_view tr = "tr";
inline constexpr std::string_view tf = "tf";
inline constexpr std::string_view qg = "qg";
inline constexpr std::string_view vdrv = "vdrv";
inline constexpr std::string_view iq = "iq";
inline constexpr std::string_view rectifier = "rectifier";
inline constexpr std::string_view lsmode = "lsmode";
inline constexpr std::string_view rdsLo = "rds-lo";
inline constexpr std::string_view td1 = "td1";
inline constexpr std::string_view td2 = "td2";
inline constexpr std::string_view cossHi = "coss-hi";
inline constexpr std::string_view cossLo = "coss-lo";
inline constexpr std::string_view qrr = "qrr";
inline constexpr std::string_view qgLo = "qg-lo";
inline constexpr std::string_view ta = "ta";
inline constexpr std::string_view rthHs = "rth-hs";
inline constexpr std::string_view rthLs = "rth-ls";
inline constexpr std::string_view rthL = "rth-l";
inline constexpr std::string_view tjmax = "tjmax";
inline constexpr std::string_view tcRds = "tc-rds";
inline constexpr std::string_view tcDcr = "tc-dcr";
inline constexpr std::string_view vref = "vref";
inline constexpr std::string_view vramp = "vramp";
inline constexpr std::string_view vcmax = "vcmax";
inline constexpr std::string_view dmax = "dmax";
inline constexpr std::string_view control = "control";
inline constexpr std::string_view ri = "ri";
inline constexpr std::string_view se = "se";
inline constexpr std::string_view ilim = "ilim";
inline constexpr std::string_view tblank = "tblank";
inline constexpr std::string_view r1 = "r1";
inline constexpr std::string_view rb = "rb";
inline constexpr std::string_view type = "type";
inline constexpr std::string_view r2 = "r2";
inline constexpr std::string_view r3 = "r3";
inline constexpr std::string_view c1 = "c1";
inline constexpr std::string_view c2 = "c2";
inline constexpr std::string_view c3 = "c3";
inline constexpr std::string_view fc = "fc";
inline constexpr std::string_view pm = "pm";
inline constexpr std::string_view tss = "tss";
inline constexpr std::string_view rl2 = "rl2";
inline constexpr std::string_view t1 = "t1";
inline constexpr std::string_view vi2 = "vi2";
inline constexpr std::string_view t2 = "t2";
inline constexpr std::string_view tend = "tend";

}  // namespace stepdown::key
