// stepdown-cli netlist and open FILE --netlist: refusals naming their
// option, D' for a target, the file written, and a design file's texts
// never reaching the netlist unread.

#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "designfile/DesignFile.h"
#include "support/CommandRun.h"

namespace stepdown::cli {
namespace {

const Args kParts{"--esr", "50", "--dcr", "100", "--rds", "50", "--tr", "50", "--tf", "50"};

// The worked example's circuit with `more`, one option's text replaced by `text`.
Args Netlist(const Args& more, const std::string& option = "", const std::string& text = "") {
    Args args{"netlist", "--vi", "25",  "--d",    "60",   "--f", "80",
              "--l",     "125",  "--c", "15.625", "--rl", "10"};
    for (std::size_t k = 1; k < args.size(); k += 2)
        if (args[k] == option) args[k + 1] = text;
    return Plus(args, more);
}

// The worked example regulated, its compensator designed for fc = 8 kHz.
Args Loop(const Args& more) {
    return Plus({"netlist", "--loop", "--vi", "25", "--f", "80", "--l", "125", "--c", "15.625",
                 "--rl", "10", "--vo", "15", "--fc", "8"},
                more);
}

// The loop's options only with --loop, the open-loop ones only without.
TEST(NetlistCommand, RefusesAValueNamingItsOptionAndWritesNothing) {
    const std::pair<Args, std::string> cases[] = {
        {Netlist({}, "--vi", "25\n.control\nshell rm -rf ~\n.endc"),
         "il valore di --vi non è valido: Errore di inserimento dati per la tensione di ingresso "
         "Vi. Puoi scrivere soltanto numeri razionali"},
        {Netlist({"--vo-target", "0"}),
         "il valore di --vo-target non è valido: La tensione di uscita obiettivo non può essere "
         "zero"},
        {Netlist({"--periods", "0"}),
         "il valore di --periods non è valido: Il numero dei periodi deve essere un intero da 1 a "
         "100000!\n"},
        {Netlist({"--periods", "2.5"}), "il valore di --periods non è valido: Il numero dei"},
        {Netlist({"--periods", "100001"}), "il valore di --periods non è valido: Il numero dei"},
        {Loop({"--vref", "2.5\nBX vo 0 I=1"}), "il valore di --vref non è valido: Errore"},
        {Loop({"--t1", "9", "--rl2", "5", "--tend", "8"}),
         "il valore di --t1 non è valido: I gradini"},
        {Netlist({"--vref", "2"}), "l'opzione --vref vale solo con --loop"},
        {Loop({"--d", "60"}), "l'opzione --d non vale con --loop: il duty cycle lo dà l'anello"},
        {Loop({"--tss", "1", "--periods", "5"}), "l'opzione --periods non vale con l'avvio"},
    };
    for (const auto& [args, error] : cases) {
        const Result r = Cli(args);
        EXPECT_EQ(r.status, kExitUsage) << error;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("stepdown-cli: " + error, 0), 0U) << r.err;
        EXPECT_NE(r.err.find("\nUso:\n  stepdown-cli netlist --vi T"), std::string::npos);
    }
    const Result unreachable = Cli(Netlist({"--vo-target", "25"}));
    EXPECT_EQ(unreachable.status, kExitRefused);
    EXPECT_EQ(unreachable.out + unreachable.err,
              "D′: nessun duty cycle dà Vo media = 2.50E+01 V con questi componenti\n");
}

TEST(NetlistCommand, TargetGivesDPrimeAndTheFileHoldsWhatStandardOutputShows) {
    const Result shown = Cli(Netlist(kParts));
    const Result target = Cli(Netlist({"--vo-target", "15", "--periods", "3"}));
    ASSERT_EQ(shown.status + target.status, kExitSuccess);
    ExpectHas(shown.out, {"Ron=50m ", ".tran 62.5n 250u 0 62.5n uic\n",
                          "* Circuito: Vi = 25 V, D = 0.6, f = 80 kHz,\n*   L = 125 uH, C = "
                          "15.625 uF, RL = 10 ohm\n* Componenti: ESR = 50 mohm, DCR = 100 mohm"});
    // A switch given no resistance closes through the least one, the low side's too.
    ExpectHas(Cli(Netlist({"--rectifier", "sync"})).out, {"SWITCHLO SW(Vt=0.5 Vh=0 Ron=1u "});
    // Near D = 0 and 1 the edges shorten: no time of the drive's pulse is negative.
    for (const char* d : {"0.0005", "99.9995"}) {
        const std::string out = Cli(Netlist({}, "--d", d)).out,
                          pulse = out.substr(out.find("PULSE"));
        EXPECT_EQ(pulse.substr(0, pulse.find('\n')).find('-'), std::string::npos) << pulse;
    }
    // Lossless but for the diode's 0.6 V, and continuous: D' = (Vo + Vf) / (Vi + Vf).
    ExpectHas(target.out, {".tran 62.5n 37.5u 0 62.5n uic\n", "* Vo obiettivo: 15 V"});
    const std::size_t pulse = target.out.find("PULSE(1 0 ") + 10;
    EXPECT_NEAR(std::stod(target.out.substr(pulse)), (15 + 0.6) / (25 + 0.6) * 12.5, 1e-4);

    const std::string file = ::testing::TempDir() + "worked.cir";
    EXPECT_EQ(Cli(Plus(Netlist(kParts), {"--output", file})), (Result{kExitSuccess, "", ""}));
    EXPECT_EQ(FileText(file), shown.out);
    const Result unwritable = Cli(Netlist({"--output", "/nonexistent/c.cir"}));
    EXPECT_EQ(unwritable.status, kExitRefused);
    EXPECT_EQ(unwritable.err,
              "Impossibile scrivere il file /nonexistent/c.cir: No such file or directory\n");
}

// With a thermal resistance, the converter verify reports on the same options: the high
// side at Rds,25 (1 + 0.4 %/K (Tj - 25 °C)), from the Tj verify prints, and its efficiency.
TEST(NetlistCommand, TheWarmConverterThatVerifyReports) {
    Args args = Netlist({"--rectifier", "sync", "--rds", "6", "--tr", "20", "--tf", "20", "--ta",
                         "60", "--rth-hs", "50", "--vo-target", "15"});
    const std::string netlist = Cli(args).out;
    args.front() = "verify";
    const std::string verify = Cli(args).out;
    const auto after = [](const std::string& text, const std::string& marker) {
        const std::size_t at = text.find(marker);
        return at == std::string::npos ? -1 : std::stod(text.substr(at + marker.size()));
    };
    const double tj = after(verify, "Tj interruttore alto: ");
    EXPECT_NEAR(after(netlist, "Rds(on) = "), 6 * (1 + 0.004 * (tj - 25)), 2e-4) << tj;
    EXPECT_NEAR(after(netlist, "efficiency    = ") * 100, after(verify, "Rendimento: "), 5e-3);
}

TEST(NetlistCommand, OpenWritesTheFilesNetlistAndNeverItsTextsUnread) {
    const std::string saved = SavedVerify("saved.stepdown", Netlist(kParts));
    const Result opened = Cli({"open", saved, "--netlist", "--periods", "7"});
    EXPECT_EQ(opened.status, kExitSuccess);
    EXPECT_EQ(opened.out, Cli(Plus(Netlist(kParts), {"--periods", "7"})).out);
    for (const char* conflict : {"--json", "--verify", "--sweep"})
        EXPECT_EQ(Cli({"open", saved, "--netlist", conflict}).status, kExitUsage);
    EXPECT_EQ(Cli({"open", saved, "--output", "x.cir"}).status, kExitUsage);

    // A refused text is the file's, named with its section and key, not a usage error.
    for (const auto& [section, key, text] : {std::tuple{"parts", "esr", "50\nV2 vi 0 DC 1k"},
                                             {"verification", "vi", "x"},
                                             {"loop", "tss", "-1"},
                                             {"loop", "control", "current"}}) {
        DesignFile hostile = ReadDesignFile(saved).file.value();
        for (const DesignFileSection& s : kDesignFileSections)
            if (s.name == section) SetText(hostile, s.keys.front().group, key, text);
        const std::string path = ::testing::TempDir() + "hostile.stepdown";
        ASSERT_TRUE(SaveDesignFile(path, hostile).saved);
        const Result refused = Cli({"open", path, "--netlist"});
        EXPECT_EQ(refused.status, kExitRefused) << key;
        EXPECT_EQ(refused.out, "");
        EXPECT_TRUE(refused.err.starts_with("Nel file " + path + " la chiave \"" + key +
                                            "\" della sezione \"" + section + "\" è rifiutata: "))
            << refused.err;
    }
}

TEST(NetlistCommand, TheLoopsOptionsOnlyWithLoopAndFromTheFilesLoopSection) {
    const Result shown = Cli(Loop(kParts));
    ASSERT_EQ(shown.status, kExitSuccess) << shown.err;
    // The ramp rises over the period less two edges of T/1000 and falls over one.
    ExpectHas(shown.out,
              {"\nR1 vo fb 10k\nRB fb 0 2k\n", "\nVRAMP ramp 0 PULSE(0 998m 0 12.475u 12.5",
               "\n.tran 12.5n 250u 0 12.5n uic\n", "parte dal regime periodico ad anello chiuso",
               "* Il primo periodo\n.meas tran vo_mean_first"});
    // Peak-current mode's blanking, there still at 25 ns (two of the edges' T/1000); a
    // synchronous low side, dead times, emulation latch.
    const std::string peak = Cli(Loop(Plus(kParts, {"--control", "peak", "--tblank", "900"}))).out;
    ExpectHas(peak, {"\nVBLANK blank 0 PULSE(1 0 893.75n "});
    ExpectHas(Cli(Loop(Plus(kParts, {"--control", "peak", "--tblank", "25"}))).out, {"\nVBLANK "});
    ExpectHas(Cli(Loop(Plus(kParts, {"--rectifier", "sync", "--lsmode", "de", "--td1", "50",
                                     "--td2", "40"})))
                  .out,
              {"\nBTOFF 0 toff ", "\nVLSWIN lswin 0 PULSE(1 0 12.45375u ", "\nBLSOK 0 lsok ",
               "\nBctllo ctllo 0 V=min(1,max(0,(v(toff)-0.004)/"});
    ExpectHas(Cli(Loop(Plus(kParts, {"--tss", "1", "--tend", "2"}))).out,
              {"\n*   il_peak ", "\n* Avvio graduale: tss = 1 ms\n"});
    EXPECT_EQ(peak.find("Avvio graduale"), std::string::npos);
    // A step followed for exactly one period still has that period's mean.
    const Args onePeriod = Loop(Plus(kParts, {"--rl2", "5", "--t1", "1", "--tend", "1.0125"}));
    ExpectHas(Cli(onePeriod).out, {"load_final AVG v(vo) FROM=1m TO=1.0125m"});
    // A step 10 ns after a period's start: no whole period follows it before tend, no mean.
    const Result late =
        Cli(Loop(Plus(kParts, {"--rl2", "5", "--t1", "1.00001", "--tend", "1.0125"})));
    EXPECT_TRUE(late.status == kExitSuccess && late.out.find("load_final") == std::string::npos);

    const std::string saved = SavedVerify("loop.stepdown", Netlist(kParts));
    EXPECT_EQ(Cli({"open", saved, "--netlist"}).out.find("BAMP"), std::string::npos);
    DesignFile file = ReadDesignFile(saved).file.value();
    SetText(file, QuantityGroup::Design, "vo", "15"), SetText(file, QuantityGroup::Loop, "fc", "8");
    ASSERT_TRUE(SaveDesignFile(saved, file).saved);
    EXPECT_EQ(Cli({"open", saved, "--netlist"}).out, shown.out);
    SetText(file, QuantityGroup::Loop, "r1", "1e4\nBX vo 0 I=1");
    ASSERT_TRUE(SaveDesignFile(saved, file).saved);
    const Result hostile = Cli({"open", saved, "--netlist"});
    EXPECT_EQ(hostile.status, kExitRefused);
    EXPECT_EQ(
        hostile.err.rfind("Nel file " + saved + " la chiave \"r1\" della sezione \"loop\"", 0), 0U);
}

}  // namespace
}  // namespace stepdown::cli
