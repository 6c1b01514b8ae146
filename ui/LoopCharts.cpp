// The window "Anello di controllo"'s charts, figures and explanation page.

#include <QChart>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPen>
#include <QScatterSeries>
#include <QScrollArea>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "common/TextFormat.h"
#include "control/LoopFigures.h"
#include "ui/ChartAxes.h"
#include "ui/LoopCharts.h"
#include "ui/LoopWindow.h"
#include "ui/QtText.h"

namespace stepdown {

namespace {

struct Range {
    double low = INFINITY, high = -INFINITY;
    void Add(double value) {
        low = std::min(low, value);
        high = std::max(high, value);
    }
};

// A line through (x, y) pairs, on the chart's two axes.
QLineSeries* AddLine(QChart& chart, const QString& name, const QPen& pen,
                     const QList<QPointF>& points, QAbstractAxis* x, QAbstractAxis* y) {
    auto* series = new QLineSeries(&chart);
    series->setName(name);
    series->setPen(pen);
    series->replace(points);
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    return series;
}

QString ModeText(ConductionMode mode) { return Text(WordsOf(mode).phrase); }

}  // namespace

QString LoopNumber(const QLocale& locale, double value) {
    if (std::isinf(value)) return QStringLiteral("∞");
    return locale.toString(value, 'g', 4);
}

QString LoopWindow::Number(double value) const { return LoopNumber(locale_, value); }

QChart* LoopWindow::NewBodeChart() const {
    return NewLoopBodeChart(analysis_ ? &*analysis_ : nullptr,
                            switchedBode_ ? &*switchedBode_ : nullptr, locale_);
}

QChart* LoopWindow::NewStepChart() const {
    return NewLoopStepChart(*transient_, *request_, locale_);
}

// The measure's agreement: what its last two windows still differ by. It is the
// chart's title rather than part of the series' names, which the legend would
// cut short beside the nine other entries.
QString SwitchedSpread(const QLocale& locale, const SwitchedBode& bode) {
    return QStringLiteral("T commutato: scarto fra le ultime finestre %1 dB e %2 °%3")
        .arg(LoopNumber(locale, bode.spreadDb), LoopNumber(locale, bode.spreadDeg),
             bode.converged ? QString() : QStringLiteral(", non convergente"));
}

QChart* NewLoopBodeChart(const LoopAnalysis* analysis, const SwitchedBode* switchedBode,
                         const QLocale& locale) {
    QChart* chart = NewNumberChart(locale, 4);
    chart->legend()->setAlignment(Qt::AlignTop);
    if (!analysis || !analysis->valid || analysis->f.empty()) {
        chart->setTitle(QStringLiteral("Premi «Progetta» o «Calcola» per il diagramma di Bode"));
        return chart;
    }
    const LoopAnalysis& a = *analysis;
    auto* frequency = new QLogValueAxis(chart);
    frequency->setBase(10);
    // Whole hertz at each decade: the localized labels know %f, not %g.
    frequency->setLabelFormat(QStringLiteral("%.0f"));
    frequency->setMinorTickCount(8);
    frequency->setTitleText(QStringLiteral("f [Hz]"));
    chart->addAxis(frequency, Qt::AlignBottom);
    frequency->setRange(a.f.front(), a.f.back());
    QValueAxis* db = NewAxis(*chart, QStringLiteral("modulo [dB]"), Qt::AlignLeft);
    QValueAxis* degrees =
        NewAxis(*chart, QStringLiteral("fase [°] (tratteggiata)"), Qt::AlignRight);

    const struct {
        const BodeCurve& curve;
        QString name;
        QColor colour;
    } curves[] = {
        {a.T, QStringLiteral("T"), QColor(0, 0, 220)},
        {a.Gvd, a.currentMode ? QStringLiteral("Gvc") : QStringLiteral("Gvd"), QColor(0, 140, 60)},
        {a.Gc, QStringLiteral("Gc"), QColor(200, 110, 0)}};
    Range mag, phase;
    for (const auto& c : curves) {
        QList<QPointF> magnitude, angle;
        for (std::size_t k = 0; k < a.f.size(); ++k) {
            magnitude.append(QPointF(a.f[k], c.curve.magDb[k]));
            angle.append(QPointF(a.f[k], c.curve.phaseDeg[k]));
            mag.Add(c.curve.magDb[k]);
            phase.Add(c.curve.phaseDeg[k]);
        }
        AddLine(*chart, QStringLiteral("|%1|").arg(c.name), QPen(c.colour, 2), magnitude, frequency,
                db);
        QPen dashed(c.colour, 1.5, Qt::DashLine);
        QLineSeries* phaseLine =
            AddLine(*chart, QStringLiteral("∠%1").arg(c.name), dashed, angle, frequency, degrees);
        // The legend's box cannot dash: a hatched one tells the phase from the magnitude.
        for (QLegendMarker* marker : chart->legend()->markers(phaseLine))
            marker->setBrush(QBrush(c.colour, Qt::Dense4Pattern));
    }
    if (switchedBode) {
        chart->setTitle(SwitchedSpread(locale, *switchedBode));
        const struct {
            const std::vector<double>& values;
            QString name;
            QAbstractAxis* axis;
            Range* range;
        } measured[] = {
            {switchedBode->T.magDb, QStringLiteral("|T| commutato"), db, &mag},
            {switchedBode->T.phaseDeg, QStringLiteral("∠T commutato"), degrees, &phase}};
        for (const auto& m : measured) {
            auto* dots = new QScatterSeries(chart);
            dots->setName(m.name);
            dots->setMarkerSize(7);
            dots->setColor(m.axis == db ? QColor(220, 0, 0) : QColor(150, 0, 150));
            for (std::size_t k = 0; k < switchedBode->f.size(); ++k) {
                dots->append(switchedBode->f[k], m.values[k]);
                m.range->Add(m.values[k]);
            }
            chart->addSeries(dots);
            dots->attachAxis(frequency);
            dots->attachAxis(m.axis);
        }
    }
    if (a.fc) {
        const QList<QPointF> mark{QPointF(*a.fc, mag.low), QPointF(*a.fc, mag.high)};
        AddLine(*chart, QStringLiteral("fc = %1 Hz").arg(LoopNumber(locale, *a.fc)),
                QPen(Qt::black, 1, Qt::DotLine), mark, frequency, db);
    }
    AlignAxes(*db, mag.low, mag.high, *degrees, phase.low, phase.high);
    degrees->setGridLineVisible(false);
    return chart;
}

QChart* NewLoopStepChart(const TransientResult& r, const TransientRequest& request,
                         const QLocale& locale) {
    QChart* chart = NewNumberChart(locale, 4);
    chart->legend()->setAlignment(Qt::AlignTop);
    QValueAxis* time = NewAxis(*chart, QStringLiteral("t [ms]"), Qt::AlignBottom);
    QValueAxis* volts = NewAxis(*chart, QStringLiteral("Vo [V]"), Qt::AlignLeft);
    QValueAxis* amps = NewAxis(*chart, QStringLiteral("iL [A]"), Qt::AlignRight);
    // With a step, from a tenth of its window before it: a start-up from rest
    // would swamp the step it was asked for.
    const double first = FirstStepTime(request);
    const double from =
        request.t1 || request.t2 ? std::max(0.0, first - (request.tend - first) / 10) : 0;
    QList<QPointF> vo, il;
    Range v, i;
    for (const TracePoint& p : r.trace) {
        if (p.t < from) continue;
        vo.append(QPointF(p.t * 1e3, p.vo));
        il.append(QPointF(p.t * 1e3, p.iL));
        v.Add(p.vo);
        i.Add(p.iL);
    }
    AddLine(*chart, QStringLiteral("iL"), QPen(QColor(230, 0, 0, 120), 1), il, time, amps);
    AddLine(*chart, QStringLiteral("Vo"), QPen(QColor(0, 0, 220), 1.5), vo, time, volts);
    // The band the settling time is measured against: the last step's final Vo.
    const StepFigures* last = r.lineStep ? &*r.lineStep : r.loadStep ? &*r.loadStep : nullptr;
    const double final = last ? last->finalVoMean : r.steadyVoMean;
    const double end = r.trace.empty() ? 1 : r.trace.back().t * 1e3;
    for (const double edge : {0.99 * final, 1.01 * final}) {
        const QList<QPointF> line{QPointF(from * 1e3, edge), QPointF(end, edge)};
        QLineSeries* band = AddLine(*chart, QStringLiteral("±1 % di Vo finale"),
                                    QPen(Qt::darkGray, 1, Qt::DashLine), line, time, volts);
        if (edge > final) HideFromLegend(*chart, band);
        v.Add(edge);
    }
    time->setRange(from * 1e3, end);
    KeepRoundTicks(*time, 10);
    if (from > 0) {  // each on the step's own scale, not from zero
        SpanRoundly(*volts, v.low, v.high, 0);
        SpanRoundly(*amps, i.low, i.high, 0);
    } else {
        AlignAxes(*volts, std::min(0.0, v.low), v.high, *amps, std::min(0.0, i.low), i.high);
    }
    amps->setGridLineVisible(false);
    return chart;
}

void LoopWindow::ShowFigures() {
    if (!analysis_) {
        figures_->setText(QStringLiteral(
            "Il circuito viene dai campi della verifica e i componenti dalla finestra "
            "«Componenti reali». Premi «Progetta» per il compensatore, «Calcola» per l'analisi."));
        return;
    }
    const LoopAnalysis& a = *analysis_;
    const Compensator& c = loop_.compensator;
    QStringList lines;
    const std::optional<double> off = VoOffAsked(a.op.Vo, askedVo_);
    lines << QStringLiteral("<b>Punto di lavoro</b>: D = %1, IL = %2 A, Vo = %3 V%4, %5")
                 .arg(Number(a.op.D), Number(a.op.IL), Number(a.op.Vo),
                      off ? QStringLiteral(" (richiesta %1 V, %2%3 %)")
                                .arg(Number(askedVo_), *off >= 0 ? QStringLiteral("+") : QString(),
                                     locale_.toString(*off, 'f', 2))
                          : QString(),
                      ModeText(a.mode));
    if (!a.valid) {
        lines << a.refusal.c_str();
    } else if (!a.f.empty()) {
        const QString fEsr = std::isfinite(a.fESR)
                                 ? Number(a.fESR) + QStringLiteral(" Hz")
                                 : QString::fromUtf8(kNoEsrZero.data(), kNoEsrZero.size());
        if (a.fPole > 0)
            lines << QStringLiteral(
                         "<b>Impianto</b> (conduzione discontinua, un polo): fp = %1 Hz, "
                         "fESR = %2")
                         .arg(Number(a.fPole), fEsr);
        else
            lines << QStringLiteral("<b>Impianto</b>: fLC = %1 Hz, Q = %2, fESR = %3")
                         .arg(Number(a.fLC), Number(a.Q), fEsr);
        if (a.currentMode) {
            const CurrentModeFigures& k = *a.currentMode;
            const Modulator& m = loop_.modulator;
            const std::array<Figure, 3> slopes = SlopeFigures(k);
            lines << QStringLiteral(
                         "<b>Corrente di picco</b>: Sn = %1 V/µs, Se = %2 V/µs%3, mc = %4, "
                         "Qp = %5, Se critica = %6 V/µs, Ilim = %7 A")
                         .arg(Number(*slopes[0].Shown()), Number(*slopes[1].Shown()),
                              m.rampChosen ? QStringLiteral(" (scelta per Qp = 1)") : QString(),
                              Number(k.mc), Number(k.Qp), Number(*slopes[2].Shown()),
                              Number(m.Ilim));
            if (a.multipliers && a.multipliers->refusal.empty())
                lines << QStringLiteral("<b>Moltiplicatori del periodo</b>: |μ| massimo %1%2")
                             .arg(Number(a.multipliers->absMax),
                                  a.multipliers->mostNegativeReal
                                      ? QStringLiteral(", reale minimo %1")
                                            .arg(Number(*a.multipliers->mostNegativeReal))
                                      : QString());
        }
        lines << QStringLiteral("<b>Compensatore</b>: tipo %1, Rb = %2 Ω")
                     .arg(c.type == 3 ? QStringLiteral("III") : QStringLiteral("II"), Number(c.Rb));
        // The degree sign sits on its number; the other units a blank away.
        QStringList margins;
        for (const Figure& figure : MarginFigures(a)) {
            const QString unit = Text(figure.unit);
            const std::optional<double> shown = figure.Shown();
            margins << QStringLiteral("<b>%1</b> = %2")
                           .arg(Text(figure.shortCaption), !shown ? Text(figure.none)
                                                           : unit == QStringLiteral("°")
                                                               ? Number(*shown) + unit
                                                               : Number(*shown) + u' ' + unit);
        }
        lines << margins.join(QStringLiteral(", "));
        if (MarginsOverUnstableOrbit(a))
            lines << QStringLiteral("<b>Margini</b>: %1").arg(Text(kUnstableOrbitMargins));
    }
    std::vector<std::string> warnings = a.warnings;
    if (const TransientResult* r = transient_ ? &*transient_ : nullptr; r && r->refusal.empty()) {
        warnings.insert(warnings.end(), r->warnings.begin(), r->warnings.end());
        if (r->fromRest)
            lines << QStringLiteral("<b>Avvio</b>: iL massima %1 A, Vo massima %2 V, 99 % di Vo %3")
                         .arg(Number(r->ilPeak), Number(r->voPeak),
                              r->t99 ? QStringLiteral("a %1 ms").arg(Number(*r->t99 * 1e3))
                                     : QStringLiteral("mai raggiunto"));
        const std::pair<const char*, const std::optional<StepFigures>*> steps[] = {
            {"Gradino di carico", &r->loadStep}, {"Gradino di linea", &r->lineStep}};
        for (const auto& [title, step] : steps) {
            if (!*step) continue;
            const StepFigures& s = **step;
            QStringList figures;
            for (const StepFigureDescription& figure : kStepFigures)
                figures << QStringLiteral("%1 %2 V").arg(QString::fromUtf8(figure.shortCaption),
                                                         Number(s.*figure.value));
            lines << QStringLiteral("<b>%1</b>: %2, assestamento ±1 % %3, %4")
                         .arg(QString::fromUtf8(title), figures.join(QStringLiteral(", ")),
                              s.settlingTime
                                  ? QStringLiteral("in %1 ms").arg(Number(*s.settlingTime * 1e3))
                                  : QStringLiteral("non raggiunto"),
                              ModeText(s.mode));
        }
    }
    const std::string separator = locale_.decimalPoint().toStdString();
    for (const std::string& warning : WithDecimalSeparator(warnings, separator))
        lines << QStringLiteral("<font color=\"#b00000\">Attenzione: %1</font>")
                     .arg(QString::fromStdString(warning).toHtmlEscaped());
    figures_->setText(lines.join(QStringLiteral("<br>")));
}

QWidget* LoopWindow::BuildExplanation() {
    auto* label = new QLabel(QStringLiteral(
        "<h3>Il modello mediato (conduzione continua)</h3>"
        "<p>Mediando su un periodo: L diL/dt = d Vg − Vf − (Rd + DCR) iL − vo, con il guadagno "
        "del duty Vg = Vi + Vf + iL (Rd − Rds). Nel punto di lavoro, con "
        "IL = Vo/RL + Vo/(R1 + Rb) (il partitore assorbe dall'uscita):</p>"
        "<p>D = (Vo + Vf + IL (Rd + DCR)) / (Vi + Vf + IL (Rd − Rds))</p>"
        "<p>Con Req = D Rds + (1 − D) Rd + DCR e l'uscita Z = RL ∥ (ESR + 1/(sC)):</p>"
        "<p>Gvd = Vg RL (1 + s ESR C) / (a2 s² + a1 s + a0),<br>"
        "a2 = L C (RL + ESR), a1 = L + C (Req (RL + ESR) + RL ESR), a0 = Req + RL<br>"
        "fLC = √(a0/a2) / 2π, Q = √(a0 a2) / a1, fESR = 1 / (2π ESR C)</p>"
        "<h3>In conduzione discontinua</h3>"
        "<p>La corrente dell'induttore non è più uno stato della media (modello di ordine "
        "ridotto). D è quello con cui il convertitore come costruito dà Vo; la corrente media "
        "in uscita i = d² T (Vi − vo)(Vi + Vf) / (2 L (vo + Vf)) dà, con R il carico e il "
        "partitore:</p>"
        "<p>Gvd = gid / (go + 1/R + 1/(ESR + 1/(sC))), gid = 2 Vo/(R D), "
        "go = D² T (Vi + Vf)² / (2 L (Vo + Vf)²): un polo, fp = (go + 1/R) / (2π C).</p>"
        "<h3>Con lo stadio sincrono</h3>"
        "<p>L'interruttore alto conduce per D, il diodo di corpo per i tempi morti "
        "Dd = (td1 + td2) f, l'interruttore basso per il resto:</p>"
        "<p>D (Vi − Rds IL) = Vo + DCR IL + (1 − D − Dd) Rds,basso IL + Dd (Vf + Rd IL)</p>"
        "<p>Vg = Vi + IL (Rds,basso − Rds), Req = D Rds + (1 − D − Dd) Rds,basso + Dd Rd + DCR. "
        "In emulazione del diodo a carico leggero vale il modello discontinuo, con Vf per la "
        "parte del ricircolo coperta da td1.</p>"
        "<h3>Il controllo di corrente di picco</h3>"
        "<p>Il clock accende l'interruttore; si spegne quando Ri iL + Se t raggiunge vc. Con "
        "mn = (Vi − (Rds + DCR) IL − Vo)/L, Sn = Ri mn, mc = 1 + Se/Sn, "
        "Fm = 1/((Sn + Se) T) e il campionamento He(s) = sT/(e^{sT} − 1) esatto:</p>"
        "<p>Gvc = Zo / ((sL + Req + Zo)/(Fm Vd) + Ri He + kI − kr Zo), Vd = Vg,<br>"
        "kr = −(Ri T (1 − 2D)/(2L) − Sn T/Vd), "
        "kI = Ri T (D′² (Rd + DCR) − D² (Rds + DCR))/(2L) − Sn T Req/Vd<br>"
        "Qp = 1/(π (mc D′ − 0.5)); Se vuota: la rampa di Qp = 1, mc D′ = 0.5 + 1/π.</p>"
        "<p>Il modello mediato non basta vicino a f/2: i moltiplicatori del periodo del "
        "convertitore commutato ad anello chiuso dicono se l'orbita regge; uno reale sotto −1 "
        "è l'oscillazione subarmonica.</p>"
        "<h3>Il controllore</h3>"
        "<p>Partitore: Vo = Vref (1 + R1/Rb). Modulatore a rampa 0 → Vramp: Fm = 1/Vramp.</p>"
        "<p>Tipo II: Gc = (1 + sR2C1) / [s R1 (C1 + C2)(1 + s R2 C1C2/(C1 + C2))]<br>"
        "Tipo III: Gc = (1 + sR2C1)(1 + s(R1 + R3)C3) / [s R1 (C1 + C2)"
        "(1 + s R2 C1C2/(C1 + C2))(1 + s R3 C3)]</p>"
        "<p>Guadagno d'anello T = Gc Fm Gvd; fc è dove |T| = 0 dB, il margine di fase è "
        "180° + ∠T(fc), il margine di guadagno è −|T| dove ∠T = −180° («nessuno» se la fase "
        "non ci arriva).</p>"
        "<h3>Il progetto (fattore K)</h3>"
        "<p>Fase da aggiungere: boost = PM − 90° − ∠(Fm Gvd(fc)).<br>"
        "Tipo II: K = tan(boost/2 + 45°); Tipo III: K = tan(boost/4 + 45°).<br>"
        "Zeri a fc/K, poli a fc K, e |Gc(fc)| = 1/|Fm Gvd(fc)|. «Valori standard» porta le "
        "resistenze sulla serie E96 e le capacità sulla E12.</p>"
        "<h3>Il convertitore commutato</h3>"
        "<p>La risposta al gradino e «T commutato» simulano il circuito periodo per periodo, "
        "con il diodo o lo stadio sincrono e i suoi tempi morti, la conduzione discontinua, la "
        "saturazione dell'amplificatore e il "
        "campionamento del modulatore che il modello mediato trascura. La banda è ±1 % della "
        "Vo media finale.</p>"));
    label->setWordWrap(true);
    label->setTextFormat(Qt::RichText);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMargin(12);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    return scroll;
}

}  // namespace stepdown
