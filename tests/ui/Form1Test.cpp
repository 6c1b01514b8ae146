// The main window as the user meets it: its controls, captions, colours and
// tab order, and the clicks of "Dati Esempio" and "Calcola L , C , IDP, IDm ,
// Iim" on the real widgets, message box included.

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <climits>
#include <memory>

#include "model/Module1.h"
#include "support/ModalBox.h"
#include "ui/Form1.h"
#include "ui/SchematicPicture.h"

namespace {

const QColor kLightBlue(192, 192, 255);
const QColor kLightPink(255, 192, 192);
const QColor kLightCyan(192, 255, 255);

const QStringList kDesignBoxes{"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"};
const QStringList kVerificationBoxes{"Text7",  "Text8",  "Text9",  "Text10", "Text11",
                                     "Text12", "Text13", "Text14", "Text15"};
const QStringList kResultFields{"Label24", "Label25", "Label26", "Label27", "Label32"};

const QStringList kTabOrder{"Picture1", "Text1",  "Text2",    "Text3",  "Text4",
                            "Text5",    "Text6",  "Command1", "Text7",  "Text8",
                            "Text9",    "Text10", "Text11",   "Text12", "Command2",
                            "Text13",   "Text14", "Command3", "Text15"};

// The fixed captions of the window, exactly as the user reads them.
const QList<QPair<QString, QString>> kCaptions{
    {"Label1", "Progetto > dati:"},
    {"Label2", "Convertitore step down "},
    {"Label3", "Vi"},
    {"Label4", "[V]"},
    {"Label5", "Vo"},
    {"Label6", "[V]"},
    {"Label7", "f"},
    {"Label8", "[kHz]"},
    {"Label9", QString::fromUtf8("\u0394")},
    {"Label10", "[%]"},
    {"Label11", "iL/Io"},
    {"Label12", QString::fromUtf8("\u0394")},
    {"Label13", "Vo"},
    {"Label14", "[mV]"},
    {"Label15", QString::fromUtf8("\u0394")},
    {"Label16", "iL= (0.3 ; 0.5 )*Io"},
    {"Label17", "Io"},
    {"Label18", "[A]"},
    {"Label19", "Progetto > Risultati:"},
    {"Label20", "L"},
    {"Label21", "[uH]"},
    {"Label22", "C"},
    {"Label23", "[uF]"},
    {"Label28", "IDP"},
    {"Label29", "[A]"},
    {"Label30", "[A]"},
    {"Label31", "IDm"},
    {"Label33", "Iim"},
    {"Label34", "[A]"},
    {"Label35", "Verifica > dati:"},
    {"Label36", "Vi"},
    {"Label37", "[V]"},
    {"Label38", "D"},
    {"Label39", "[%]"},
    {"Label40", "L"},
    {"Label41", "C"},
    {"Label42", "RL"},
    {"Label43", "[uH]"},
    {"Label44", "[uF]"},
    {"Label45", QString::fromUtf8("[\u03a9]")},
    {"Label46", "f"},
    {"Label47", "[kHz]"},
    {"Label48", "N"},
    {"Label49", "NP"},
    {"Label50", "Vi = tensione continua in ingresso"},
    {"Label51", "Vo = tensione continua desiderata in uscita"},
    {"Label52", "f = frequenza di commutazione"},
    {"Label53", "DeltaiL = variazione di picco della corrente nell'induttore"},
    {"Label54", "DeltaVo = variazione di picco della tensione in uscita"},
    {"Label55", "Io = corrente continua in uscita"},
    {"Label56", "Numero campioni"},
    {"Label57", "Numero periodi visualizzati"},
    {"Label58", "D = duty cycle = ton/(ton+toff) = Vo/Vi"},
    {"Label59",
     QString::fromUtf8("ton =  intervallo di tempo in cui l'interruttore \u00e8 chiuso")},
    {"Label60", QString::fromUtf8("toff = intervallo di tempo in cui l'iterruttore \u00e8 aperto")},
    {"Label61", "IDP = corrente di picco nel diodo"},
    {"Label62", "IDm = corrente media nel diodo"},
    {"Label63", "Iim = corrente media, o continua,  in ingresso "},
    {"Label64", "NI"},
    {"Label65", "Numero iterazioni"},
    {"Label66", "Attendere!!"},
};

// The colour halfway down a control, `x` pixels in from its left edge: clear
// of its border and of its caption.
QColor BackgroundPixel(QWidget* widget, int x = 6) {
    const QImage image = widget->grab().toImage();
    return image.pixelColor(x, image.height() / 2);
}

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void hasEveryControlAndCaption();
    void opensWithItsTitleIconAndSize();
    void startsWithTheSettingsOnly();
    void usesTheLayoutFonts();
    void fitsEveryCaption();
    void paintsTheFieldsAndButtons();
    void showsTheSchematic();
    void keepsItsControlsWhenResized();
    void tabsThroughTheControlsBothWays();
    void hasNoDefaultButtonOrAccessKey();
    void fillsTheExampleData();
    void designsTheExample_data();
    void designsTheExample();
    void refusesAnEmptyInputWithAMessageBox();

private:
    template <typename T>
    T* Control(const QString& name) const {
        return form_->findChild<T*>(name);
    }
    QLineEdit* Box(const QString& name) const { return Control<QLineEdit>(name); }
    QLabel* Label(const QString& name) const { return Control<QLabel>(name); }
    void ShowAndActivate();

    std::unique_ptr<stepdown::Module1> module_;
    std::unique_ptr<stepdown::Form1> form_;
};

void Form1Test::init() {
    module_ = std::make_unique<stepdown::Module1>();
    form_ = std::make_unique<stepdown::Form1>(*module_, QLocale(QLocale::Italian));
}

void Form1Test::cleanup() {
    form_.reset();
    module_.reset();
}

void Form1Test::ShowAndActivate() {
    form_->show();
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void Form1Test::hasEveryControlAndCaption() {
    QCOMPARE(form_->objectName(), QString("Form1"));
    for (int i = 1; i <= 15; ++i)
        QVERIFY2(Box(QString("Text%1").arg(i)) != nullptr, qPrintable(QString::number(i)));
    for (int i = 1; i <= 67; ++i)
        QVERIFY2(Label(QString("Label%1").arg(i)) != nullptr, qPrintable(QString::number(i)));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(Control<QPushButton>(QString("Command%1").arg(i)) != nullptr);
    QVERIFY(Control<stepdown::SchematicPicture>("Picture1") != nullptr);
    for (const auto& [name, caption] : kCaptions) QCOMPARE(Label(name)->text(), caption);
    QCOMPARE(Control<QPushButton>("Command1")->text(), QString("Calcola L , C , IDP, IDm , Iim"));
    QCOMPARE(Control<QPushButton>("Command2")->text(), QString("Grafici"));
    QCOMPARE(Control<QPushButton>("Command3")->text(), QString("Dati Esempio"));
    QVERIFY(Label("Label67")->text().contains('@'));
    QVERIFY(Label("Label67")->alignment() & Qt::AlignRight);
    for (const QString& name : kResultFields) QVERIFY(Label(name)->alignment() & Qt::AlignRight);
}

void Form1Test::opensWithItsTitleIconAndSize() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(form_->windowTitle(), QString("Convertitore step down"));
    QCOMPARE(form_->size(), QSize(1058, 683));
    QVERIFY(!form_->windowIcon().isNull());
    QVERIFY(!form_->windowIcon().pixmap(32, 32).isNull());
    // A sample of positions: twips divided by 15.
    QCOMPARE(Box("Text1")->geometry(), QRect(752, 48, 137, 25));
    QCOMPARE(Box("Text11")->geometry(), QRect(120, 592, 129, 25));
    QCOMPARE(Control<QPushButton>("Command1")->geometry(), QRect(728, 456, 193, 33));
    QCOMPARE(Control<QWidget>("Picture1")->geometry(), QRect(16, 48, 681, 337));
    QCOMPARE(Label("Label67")->geometry(), QRect(912, 648, 105, 19));
}

void Form1Test::startsWithTheSettingsOnly() {
    for (int i = 1; i <= 12; ++i) QCOMPARE(Box(QString("Text%1").arg(i))->text(), QString());
    QCOMPARE(Box("Text13")->text(), QString("1000"));
    QCOMPARE(Box("Text14")->text(), QString("10"));
    QCOMPARE(Box("Text15")->text(), QString("2000"));
    for (const QString& name : kResultFields) QCOMPARE(Label(name)->text(), QString());

    const QColor windowText = QApplication::palette().color(QPalette::Text);
    for (int i = 1; i <= 15; ++i) {
        QLineEdit* box = Box(QString("Text%1").arg(i));
        QCOMPARE(box->maxLength(), INT_MAX);
        QVERIFY(box->alignment() & Qt::AlignRight);
        QCOMPARE(box->palette().color(QPalette::Text), windowText);
    }
    // Any length can be typed.
    Box("Text1")->setText(QString(40000, '1'));
    QCOMPARE(Box("Text1")->text().size(), 40000);
}

void Form1Test::usesTheLayoutFonts() {
    const auto check = [this](const QString& name, double points, bool bold) {
        QWidget* widget = name == "Form1" ? form_.get() : Control<QWidget>(name);
        QVERIFY2(widget != nullptr, qPrintable(name));
        const QFont font = widget->font();
        QCOMPARE(font.family(), QString("Liberation Sans"));
        QCOMPARE(font.pointSizeF(), points);
        QCOMPARE(font.bold(), bold);
    };
    check("Label2", 18.0, true);
    check("Label1", 9.75, true);
    check("Label9", 9.75, true);
    check("Label45", 12.0, true);
    check("Label35", 8.25, true);
    check("Text1", 8.25, true);
    check("Label24", 8.25, true);
    check("Command1", 8.25, true);
    check("Label67", 8.25, false);
    check("Form1", 8.25, false);
}

void Form1Test::fitsEveryCaption() {
    const QList<QLabel*> labels = form_->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 67);
    for (QLabel* label : labels) {
        const QFontMetrics metrics(label->font());
        const QRect room = label->contentsRect();
        const int indent = label->indent() > 0 ? label->indent() : 0;
        QVERIFY2(metrics.horizontalAdvance(label->text()) + indent <= room.width(),
                 qPrintable(label->objectName()));
        QVERIFY2(metrics.height() <= room.height(), qPrintable(label->objectName()));
    }
    for (QPushButton* button : form_->findChildren<QPushButton*>()) {
        const QFontMetrics metrics(button->font());
        QVERIFY2(metrics.horizontalAdvance(button->text()) + 8 <= button->width(),
                 qPrintable(button->objectName()));
    }
}

void Form1Test::paintsTheFieldsAndButtons() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    for (const QString& name : kDesignBoxes) {
        QCOMPARE(Box(name)->palette().color(QPalette::Base), kLightBlue);
        QCOMPARE(BackgroundPixel(Box(name)), kLightBlue);
    }
    for (const QString& name : kVerificationBoxes) {
        QCOMPARE(Box(name)->palette().color(QPalette::Base), kLightPink);
        QCOMPARE(BackgroundPixel(Box(name)), kLightPink);
    }
    for (const QString& name : kResultFields) {
        QVERIFY(Label(name)->autoFillBackground());
        QCOMPARE(Label(name)->frameShape(), QFrame::Box);
        QCOMPARE(BackgroundPixel(Label(name)), kLightBlue);
    }
    QCOMPARE(BackgroundPixel(Label("Label67"), 2), kLightCyan);
    QCOMPARE(BackgroundPixel(Control<QPushButton>("Command1")), kLightBlue);
    QCOMPARE(BackgroundPixel(Control<QPushButton>("Command2")), kLightPink);
    QCOMPARE(BackgroundPixel(Control<QPushButton>("Command3")), kLightBlue);
    // Between the controls the window shows its own face.
    QCOMPARE(form_->grab().toImage().pixelColor(700, 20), form_->palette().color(QPalette::Window));
}

void Form1Test::showsTheSchematic() {
    auto* picture = Control<stepdown::SchematicPicture>("Picture1");
    QVERIFY(picture->HasPicture());
    QCOMPARE(picture->contentsRect(), QRect(2, 2, 677, 333));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    const QImage image = picture->grab().toImage();
    // White ground just inside the border, the dark frame of the drawing
    // 3 pixels further in, and something drawn in the middle of it.
    QCOMPARE(image.pixelColor(2 + 1, 2 + 1), QColor(Qt::white));
    QVERIFY(image.pixelColor(2 + 3, 2 + 100).lightness() < 100);
    int coloured = 0;
    for (int y = 2; y < 2 + 333; ++y)
        for (int x = 2; x < 2 + 677; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.saturation() > 100) ++coloured;
        }
    QVERIFY2(coloured > 3000, qPrintable(QString::number(coloured)));
}

void Form1Test::keepsItsControlsWhenResized() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    const QRect text15 = Box("Text15")->geometry();
    const QRect label67 = Label("Label67")->geometry();
    form_->resize(500, 300);
    QTest::qWait(10);
    QCOMPARE(Box("Text15")->geometry(), text15);
    QCOMPARE(Label("Label67")->geometry(), label67);
    form_->resize(1400, 900);
    QTest::qWait(10);
    QCOMPARE(Box("Text15")->geometry(), text15);
}

void Form1Test::tabsThroughTheControlsBothWays() {
    ShowAndActivate();
    QVERIFY(QApplication::focusWidget() != nullptr);
    QStringList forwards{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < kTabOrder.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forwards << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(forwards, kTabOrder + QStringList{"Picture1"});
    QStringList backwards{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < kTabOrder.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        backwards << QApplication::focusWidget()->objectName();
    }
    QStringList expected{"Picture1"};
    for (auto it = kTabOrder.crbegin(); it != kTabOrder.crend(); ++it) expected << *it;
    QCOMPARE(backwards, expected);
}

void Form1Test::hasNoDefaultButtonOrAccessKey() {
    const QList<QPushButton*> buttons = form_->findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 3);
    for (QPushButton* button : buttons) {
        QVERIFY(!button->autoDefault());
        QVERIFY(!button->isDefault());
        QVERIFY(!button->text().contains('&'));
        QVERIFY(button->shortcut().isEmpty());
    }
}

void Form1Test::fillsTheExampleData() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    Box("Text1")->setText("999");
    Box("Text9")->setText("7");
    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(Control<QPushButton>("Command3"), Qt::LeftButton);
        QCOMPARE(Box("Text1")->text(), QString("25"));
        QCOMPARE(Box("Text2")->text(), QString("15"));
        QCOMPARE(Box("Text3")->text(), QString("80"));
        QCOMPARE(Box("Text4")->text(), QString("40"));
        QCOMPARE(Box("Text5")->text(), QString("60"));
        QCOMPARE(Box("Text6")->text(), QString("1.5"));
    }
    QCOMPARE(Box("Text9")->text(), QString("7"));
    QCOMPARE(Label("Label24")->text(), QString());
    QCOMPARE(module_->Vi, 0.0);
}

void Form1Test::designsTheExample_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("results");
    QTest::newRow("Italian") << QLocale(QLocale::Italian)
                             << QStringList{"1,25E+02", "1,56E+01", "1,80E+00", "6,00E-01",
                                            "9,00E-01"};
    QTest::newRow("English") << QLocale(QLocale::English)
                             << QStringList{"1.25E+02", "1.56E+01", "1.80E+00", "6.00E-01",
                                            "9.00E-01"};
}

void Form1Test::designsTheExample() {
    QFETCH(QLocale, locale);
    QFETCH(QStringList, results);
    form_ = std::make_unique<stepdown::Form1>(*module_, locale);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));

    QTest::mouseClick(Control<QPushButton>("Command3"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);

    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    for (int i = 0; i < kResultFields.size(); ++i)
        QCOMPARE(Label(kResultFields[i])->text(), results[i]);
    const QList<QPair<QString, QString>> verification{
        {"Text7", "2.500E+01"}, {"Text12", "8.000E+01"}, {"Text8", "6.000E+01"},
        {"Text9", "1.250E+02"}, {"Text10", "1.563E+01"}, {"Text11", "1.000E+01"}};
    for (const auto& [name, text] : verification) {
        QCOMPARE(Box(name)->text(), text);
        QCOMPARE(Box(name)->palette().color(QPalette::Text), QColor(0, 0, 255));
    }
    QCOMPARE(Box("Text13")->text(), QString("1000"));
    QCOMPARE(Box("Text13")->palette().color(QPalette::Text),
             QApplication::palette().color(QPalette::Text));
    QCOMPARE(module_->L, 125.0);
    QCOMPARE(Label("Label66")->text(), QString("Attendere!!"));
    QVERIFY(Label("Label66")->isVisible());
}

void Form1Test::refusesAnEmptyInputWithAMessageBox() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QTest::mouseClick(Control<QPushButton>("Command3"), Qt::LeftButton);
    Box("Text1")->clear();

    const stepdown::testing::ModalBox box = stepdown::testing::WatchForModalBox(
        [this] { QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton); });

    QVERIFY(box.seen);
    QCOMPARE(box.text, QString("Hai dimenticato di scrivere la tensione di ingresso Vi"));
    QCOMPARE(box.title, QString("stepdown"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, 1);
    QCOMPARE(box.button, QMessageBox::Ok);
    // The click ended at the message: nothing shown, nothing copied.
    for (const QString& name : kResultFields) QCOMPARE(Label(name)->text(), QString());
    QCOMPARE(Box("Text7")->text(), QString());
    QCOMPARE(module_->ValidationFailed, std::int16_t{1});
}

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
