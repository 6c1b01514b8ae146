#include "cli/CommandLine.h"

#include "cli/CommandParts.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "cli/ArgumentParser.h"
#include "cli/ChoiceOutput.h"
#include "cli/JsonWriter.h"
#include "cli/LoopCommand.h"
#include "cli/NetlistCommand.h"
#include "cli/OptionOwners.h"
#include "cli/QuantityOptions.h"
#include "cli/RealPartsOutput.h"
#include "cli/TerminalProgress.h"
#include "cli/TextOutput.h"
#include "design/DesignCalculation.h"
#include "designfile/DesignFile.h"
#include "engine/Figures.h"
#include "model/Module1.h"
#include "model/QuantityReader.h"
#include "realparts/RealPartsReport.h"
#include "verification/Launch.h"
#include "waveformview/StartupReport.h"
#include "waveformview/WaveformCsv.h"

#ifndef STEPDOWN_VERSION
#error "STEPDOWN_VERSION must be defined by the build"
#endif

namespace stepdown::cli {
namespace {

// The help after the usage; the lines of the options that carry quantities
// come from the table of quantities.
std::string HelpDetails() {
    return std::string(
               "\n"
               "design: il progetto di \"Calcola L , C , IDP, IDm , Iim\".\n") +
           QuantityHelp(QuantityGroup::Design) +
           "  --verify    prosegue come \"Grafici\" con i dati di verifica scritti dal\n"
           "              progetto e confronta progetto e simulazione\n"
           "\n"
           "verify: la verifica di \"Grafici\".\n" +
           QuantityHelp(QuantityGroup::Verification) +
           "\n"
           "Simulazione:\n" +
           QuantityHelp(QuantityGroup::Simulation) +
           "  --csv FILE  scrive l'ultimo periodo simulato in FILE ('-': standard output)\n"
           "  --startup-csv FILE\n"
           "              scrive in FILE l'inviluppo di iL e Vo dall'avvio ('-': standard\n"
           "              output)\n"
           "\n"
           "Componenti reali (verify e design --verify): aggiungono l'analisi a regime del\n"
           "convertitore come costruito, sullo stesso circuito, con un diodo che blocca.\n"
           "  --real      con i componenti predefiniti: Vf 0.6 V, ogni altro valore zero\n" +
           QuantityHelp(QuantityGroup::Parts) +
           "  --vo-target V\n"
           "              (solo verify) la Vo media da raggiungere: calcola il duty cycle D′\n"
           "              che la dà; design --verify usa la Vo del progetto\n"
           "  Un valore di componente non valido è un errore della riga di comando. Con\n"
           "  l'analisi, una simulazione rifiutata perché la corrente nell'induttore si\n"
           "  annulla è solo una nota sullo standard error (senza --csv e --startup-csv).\n"
           "\n"
           "Scelta dei componenti (design, con o senza --verify; sweep), sul convertitore\n"
           "come costruito regolato alla Vo del progetto, con i valori dei COMPONENTI:\n"
           "  --series T  i valori normalizzati di L e C nella serie " +
           WordList(Row(QuantityGroup::Selection, key::series)) + "\n" +
           QuantityHelp(QuantityGroup::Selection, std::array{key::round}) +
           "  --corners   il caso peggiore sui vertici delle tolleranze e degli intervalli,\n"
           "              intorno ai valori normalizzati con --series, ai calcolati senza\n" +
           QuantityHelp(QuantityGroup::Selection, kCornerKeys) +
           "  Un estremo omesso degli intervalli è la Vi o la Io del progetto.\n"
           "\n"
           "sweep: il progetto come design, poi una scansione del carico.\n" +
           QuantityHelp(QuantityGroup::Selection, kSweepLoadKeys) +
           "  Le correnti omesse sono il 10 % e il 150 % di Io; i punti sono carichi per\n"
           "  tensione di ingresso, da 1 a 1000.\n"
           "  --vi-list V,V,...\n"
           "              tensioni di ingresso [V] (Vi se omesso)\n"
           "  --csv FILE  scrive i punti in FILE ('-': standard output)\n"
           "\n"
           "  --json      un oggetto JSON al posto del testo\n"
           "  --save FILE salva in FILE, file di progetto, i testi dei campi dopo il\n"
           "              calcolo, anche quando i dati sono rifiutati\n"
           "\n"
           "open: esegue il file di progetto FILE (salvato con --save) come design con i\n"
           "  suoi dati di progetto, o con --verify come verify con i suoi dati di verifica\n"
           "  e di simulazione, o con --sweep come sweep; stampa esattamente ciò che\n"
           "  stamperebbe quel comando. Componenti e scelte diversi dai valori iniziali\n"
           "  tornano opzioni; --standard e --corners chiedono i valori normalizzati e il\n"
           "  caso peggiore anche con le scelte iniziali.\n"
           "\n"
           "Ogni T è il testo che si scriverebbe nel campo della finestra, con il punto\n"
           "come separatore decimale; un'opzione omessa è un campo vuoto.\n"
           "Una simulazione che non ha ancora raggiunto il regime riesce comunque e ne\n"
           "scrive l'avviso sullo standard error.\n"
           "Uscita: 0 riuscito, 1 dati rifiutati o file CSV non scritto, 2 riga di comando\n"
           "errata o file di progetto non letto o non salvato.\n"
           "\n"
           "loop: il convertitore come costruito regolato in tensione; progetta o verifica\n"
           "  il compensatore, il diagramma di Bode, la risposta ai gradini. Uso:\n";
}

}  // namespace

DesignFile SavedDesignFile(const InputTexts& texts, const ParsedArguments& arguments) {
    DesignFile file;
    for (const DesignFileSection& section : kDesignFileSections)
        for (const DesignFileKey& key : section.keys) {
            const auto typed = texts.find(IdOf(key));
            file.texts.insert_or_assign(
                IdOf(key), typed != texts.end()
                               ? typed->second
                               : arguments.ValueOr(key.key, std::string(key.startText)));
        }
    return file;
}

std::string VersionText() { return std::string("stepdown-cli ") + STEPDOWN_VERSION; }

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool showProgress) {
    if (args.empty()) return UsageError(err, "manca il comando");
    const std::string& command = args.front();
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h") {
        if (!rest.empty()) return UsageError(err, "argomento inatteso: " + rest.front());
        out << Usage() << HelpDetails() << LoopUsage()
            << "Il circuito come in verify; --vo è la Vo da regolare, se manca --rb; senza --vo\n"
               "la Vo è D·Vi, con il duty cycle --d.\n"
            << QuantityHelp(QuantityGroup::Loop) << NetlistHelp();
        return kExitSuccess;
    }
    if (command == "--version") {
        if (!rest.empty()) return UsageError(err, "argomento inatteso: " + rest.front());
        out << VersionText() << '\n';
        return kExitSuccess;
    }
    if (command == "design") return RunDesign(rest, out, err, showProgress);
    if (command == "verify") return RunVerify(rest, out, err, showProgress);
    if (command == "open") return RunOpen(rest, out, err, showProgress);
    if (command == "sweep") return RunSweep(rest, out, err);
    if (command == "netlist") return RunNetlist(rest, out, err);
    if (command == "loop") return RunLoop(rest, out, err);
    return UsageError(err, "comando sconosciuto: " + command);
}

}  // namespace stepdown::cli
