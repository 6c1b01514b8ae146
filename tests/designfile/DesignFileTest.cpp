// The design file: texts kept to the byte, the layout, each refusal with its
// message, the atomic save, the main window's boxes, the edges of UTF-8.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "designfile/AtomicFile.h"
#include "designfile/DesignFile.h"
#include "designfile/Utf8.h"
#include "support/RecordingWindow.h"

namespace stepdown {
namespace {

using G = QuantityGroup;

// Each edge of the table of well-formed sequences, from both sides.
TEST(Utf8, FindsTheFirstByteOfTheFirstIllFormedSequence) {
    for (const std::string valid : {"a\x7F\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xE1\xBF\xBF",
                                    "\xED\x9F\xBF", "\xEF\xBF\xBF", "\xF0\x90\x80\x80",
                                    "\xF1\x80\x80\x80", "\xF3\xBF\xBF\xBF", "\xF4\x8F\xBF\xBF"})
        EXPECT_EQ(FirstInvalidUtf8(valid), std::string_view::npos) << valid;
    for (const std::string invalid :
         {"\x80", "\xC1\xBF", "\xC3", "\xC3\x7F", "\xC3\xC0", "\xE0\x9F\xBF", "\xE1\x80\xC0",
          "\xED\xA0\x80", "\xF0\x8F\xBF\xBF", "\xF3\x80\x80\x7F", "\xF4\x90\x80\x80",
          "\xF5\x80\x80\x80"})
        for (const std::string tail : {"", "a"})
            EXPECT_EQ(FirstInvalidUtf8("\xC2\x80" + invalid + tail), 2U) << invalid;
    EXPECT_EQ(FirstInvalidUtf8(std::string_view("a\xE1\x80\x80").substr(0, 3)), 1U);  // cut short
}

const std::string kHead = R"({"format": "stepdown-design", "version": 1)";

// Every key holding "<section>.<key>", or the empty text.
DesignFile Filled(bool labelled = true) {
    DesignFile file;
    for (const DesignFileSection& section : kDesignFileSections)
        for (const DesignFileKey& key : section.keys)
            file.texts[IdOf(key)] =
                labelled ? std::string(section.name) + "." + std::string(key.key) : "";
    return file;
}

TEST(DesignFile, WritesTheKeysInTheirOrderAndReadsBackEveryTextToTheByte) {
    std::istringstream order(
        "design: vi vo f ripple dvo io verification: vi d f l c rl simulation: n np ni "
        "parts: esr dcr rds rd vf tr tf qg vdrv iq rectifier lsmode rds-lo td1 td2 coss-hi coss-lo "
        "qrr qg-lo ta rth-hs rth-ls rth-l tjmax tc-rds tc-dcr "
        "selection: series round tol-l tol-c vi-min vi-max io-min io-max io-from io-to points "
        "loop: vref vramp vcmax dmax control ri se ilim tblank r1 rb type r2 r3 c1 c2 c3 fc pm tss "
        "rl2 t1 vi2 t2 tend");
    nlohmann::ordered_json expected{{"format", "stepdown-design"}, {"version", 2}};
    for (std::string word, section; order >> word;)
        if (word.back() == ':')
            section = word.substr(0, word.size() - 1);
        else
            expected[section][word] = section + "." + word;
    EXPECT_EQ(DesignFileText(Filled()), expected.dump(2) + "\n");

    DesignFile odd = Filled(false);
    SetSection(odd, G::Design,
               {{"vi", "1,5"}, {"vo", "abc"}, {"f", ""}, {"ripple", "µΩ è 日本 😀"}});
    odd.texts[{G::Design, "dvo"}] = std::string("\t\n\"\\/\x01\x7F\0", 8);
    odd.texts[{G::Design, "io"}] =
        std::string(kDesignFileMaxBytes - DesignFileText(odd).size(), '9');
    EXPECT_EQ(ParseDesignFile(DesignFileText(odd), "d").file, odd);
    DesignFile missing = Filled(false);  // what is left out reads as the windows start
    for (auto& [group, texts] :
         {std::pair{G::Simulation, "n=1000 np=5 ni=2000"},
          {G::Parts,
           "esr=0 dcr=0 rds=0 rd=0 tr=0 tf=0 qg=0 vdrv=0 iq=0 rds-lo=0 td1=0 td2=0 "
           "coss-hi=0 coss-lo=0 qrr=0 qg-lo=0 vf=0.6 rectifier=diode lsmode=ccm ta=25 "
           "tjmax=150 tc-rds=0.4 tc-dcr=0.393"},
          {G::Selection, "series=E12 round=up points=50 tol-l=20 tol-c=20"},
          {G::Loop,
           "vref=2.5 vramp=1 dmax=95 r1=10000 pm=60 tss=0 control=voltage ri=0.5 tblank=0"}}) {
        std::istringstream words(texts);
        for (std::string w; words >> w;)
            SetText(missing, group, w.substr(0, w.find('=')), w.substr(w.find('=') + 1));
    }
    EXPECT_EQ(ParseDesignFile(kHead + R"(, "simulation": {"np": "5"}})", "d").file, missing);
}

TEST(DesignFile, RefusesEachHostileFileWholeWithItsMessage) {
    const std::string foreign = "non è un file di progetto di stepdown: ";
    const std::string deep = "i dati sono annidati più in profondità di quanto il formato preveda.";
    const std::string head = R"({"format": "stepdown-design", "version": )";
    const auto design = [](const std::string& members) {
        return kHead + ", \"design\": {" + members + "}}";
    };
    const std::pair<std::string, std::string> cases[] = {
        {"", "il file è vuoto."},
        {std::string(kDesignFileMaxBytes + 1, ' '),
         "il file è più grande di 1 MiB: non può essere un file di progetto."},
        {"{\n  \"format\": \"stepdown-design\xC0\xAF\"}",
         "il file contiene testo che non è UTF-8 valido (riga 2, colonna 29)."},
        {"{\n  \"è\": x", "non è un file JSON valido (riga 2, colonna 8)."},
        {kHead + ",\n  \"design\": {",
         "il file è troncato: i dati JSON finiscono a metà (riga 2, colonna 14)."},
        {"[1]", "il contenuto non è un oggetto JSON."},
        {design("\"vi\": " + std::string(1'000'000, '[')), deep},
        {design("\"vi\": {}"), deep},
        {R"({"version": 1})", foreign + "manca \"format\"."},
        {R"({"format": 5})", foreign + "\"format\" non è un testo."},
        {R"({"format": "stepdown-desig"})",
         foreign + "\"format\" vale \"stepdown-desig\" invece di \"stepdown-design\"."},
        {R"({"format": "stepdown-design"})", "manca la versione del formato (\"version\")."},
        {head + "3}",
         "il file è stato scritto da una versione più recente del programma: il suo "
         "formato è il 3, questa versione legge fino al formato 2."},
        {head + "0}", "la versione del formato 0 non esiste."},
        {head + "-3}", "la versione del formato -3 non esiste."},
        {head + "1.0}", "\"version\" non è un numero intero."},
        {kHead + R"(, "design": []})", "la sezione \"design\" non è un oggetto JSON."},
        {design(R"("vi": 25)"), "il valore di \"vi\" nella sezione \"design\" non è un testo."},
        {kHead + R"(, "designs": {}})", "\"designs\" non è una sezione del formato."},
        {kHead + R"(, "parts": {"esr": "1", "esl": ""}})",
         "la chiave \"esl\" della sezione \"parts\" non è prevista."},
        {design("\"" + std::string(39, 'k') + "\\u0001\\u0001\": \"\""),
         "la chiave \"" + std::string(39, 'k') +
             "\\u0001…\" della sezione \"design\" non è prevista."},
        {design(R"("vi": "1", "vi": "1")"),
         "la chiave \"vi\" compare due volte nella sezione \"design\"."},
        {head + R"(1, "version": 1})", "la chiave \"version\" compare due volte."},
        // The JSON reader stops at a NUL: what follows it must not pass unread.
        {kHead + "}\n" + std::string(1, '\0') + "x",
         "il file contiene un byte nullo (riga 2, colonna 1): non è un file di testo."},
        {kHead + std::string(", \0", 3) + "}",
         "il file contiene un byte nullo (riga 1, colonna 45): non è un file di testo."},
    };
    for (const auto& [bytes, problem] : cases) {
        const DesignFileOutcome read = ParseDesignFile(bytes, "d.stepdown");
        EXPECT_EQ(read.file, std::nullopt) << problem;
        EXPECT_EQ(read.message, "Impossibile aprire il file d.stepdown: " + problem);
    }
}

TEST(SaveDesignFile, ReplacesTheFileWholeOrLeavesItAsItWas) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("stepdown-file-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "sub");
    const std::string target = folder / "d.stepdown", longName = folder / std::string(250, 'n');
    const std::string leftover = target + ".tmp-" + std::to_string(::getpid()) + "-0";
    for (const std::string& path : {target, longName, leftover}) std::ofstream(path) << "old";
    std::filesystem::permissions(target, std::filesystem::perms(0640));
    ASSERT_TRUE(SaveDesignFile(target, Filled()).saved);
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));

    DesignFile invalid = Filled();
    SetText(invalid, G::Parts, "iq", "\xFF");
    rlimit unlimited{}, largestFile{};  // a write that fails: more bytes than a file may have
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, SIG_IGN);
    const std::tuple<std::string, rlim_t, std::string> failures[] = {
        {target, unlimited.rlim_cur,
         "il testo di \"iq\" nella sezione \"parts\" non è UTF-8 valido e il file non "
         "potrebbe conservarlo."},
        {target, 100, "File too large"},
        {target + "/d.stepdown", unlimited.rlim_cur, "Not a directory"},
        {folder / "sub", unlimited.rlim_cur, "non è un file regolare: è una cartella."},
        {longName, unlimited.rlim_cur, "File name too long"},
    };
    for (const auto& [path, limit, reason] : failures) {
        largestFile = {limit, unlimited.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &largestFile);
        const bool utf8 = reason.find("UTF-8") != std::string::npos;
        const SaveOutcome outcome = SaveDesignFile(path, utf8 ? invalid : Filled());
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_EQ(outcome.message, "Impossibile scrivere il file " + path + ": " + reason);
    }
    std::ifstream in(leftover);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
    EXPECT_EQ(ReadDesignFile(target).file, Filled());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 4);

    std::filesystem::resize_file(longName, 1ULL << 31);  // refused before any read
    std::ofstream(folder / "one") << '7';                // a read of a single byte
    const std::pair<std::string, std::string> unreadable[] = {
        {folder / "one", "il contenuto non è un oggetto JSON."},
        {longName, "il file è più grande di 1 MiB: non può essere un file di progetto."},
        {"/dev/zero", "non è un file regolare: è un dispositivo."},
        {folder / "none", "No such file or directory"},
        {folder / "sub", "non è un file regolare: è una cartella."},
    };
    for (const auto& [path, problem] : unreadable)
        EXPECT_EQ(ReadDesignFile(path).message,
                  "Impossibile aprire il file " + path + ": " + problem);
    std::filesystem::remove_all(folder);
}

// A link stays a link and its target takes the file, with its permissions;
// what is no regular file is refused, even behind a link. (The commands'
// tests refuse FIFOs, devices and the report over its own design.)
TEST(SaveDesignFile, WritesThroughLinksAndRefusesWhatIsNoRegularFile) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("stepdown-link-" + std::to_string(::getpid()));
    fs::create_directories(folder / "sub");
    const std::string target = folder / "sub" / "t", fifo = folder / "fifo";
    std::ofstream(target) << "old";
    fs::permissions(target, fs::perms(0604));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::tuple<std::string, std::string, std::string> links[] = {
        {"a", "sub/t", target},                             // relative, from the link's folder
        {"b", "a", target},                                 // a chain
        {"sub/c", folder / "sub/new", folder / "sub/new"},  // leading nowhere yet
        {"loop", "loop", "Too many levels of symbolic links"},
        {"to-fifo", fifo, "non è un file regolare: è una FIFO (pipe con nome)."},
    };
    for (const auto& [link, leadsTo, written] : links) {
        fs::create_symlink(leadsTo, folder / link);
        DesignFile file = Filled();  // each row's own, so that no earlier save passes for it
        SetText(file, G::Design, "vi", link);
        const SaveOutcome saved = SaveDesignFile(folder / link, file);
        EXPECT_TRUE(fs::is_symlink(folder / link)) << link;
        if (written.starts_with('/'))
            EXPECT_EQ(ReadDesignFile(written).file, file) << saved.message;
        else
            EXPECT_EQ(saved.message,
                      "Impossibile scrivere il file " + (folder / link).string() + ": " + written);
    }
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0604));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "sub"), {}), 3);  // t, new, c: no more
    EXPECT_TRUE(SameFile(folder / "b", target) && !SameFile(target, folder / "sub/new"));
    // As the kernel: a chain of 40 links leads to its file, one of 41 does not.
    for (int k = 1; k <= 41; ++k)
        fs::create_symlink(k == 1 ? fs::path(target) : folder / std::to_string(k - 1),
                           folder / std::to_string(k));
    EXPECT_TRUE(SaveDesignFile(folder / "40", Filled()).saved);
    EXPECT_EQ(SaveDesignFile(folder / "41", Filled()).reason, "Too many levels of symbolic links");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace stepdown
