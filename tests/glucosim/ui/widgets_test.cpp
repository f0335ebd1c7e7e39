// The pieces of the forms on their own: the string grid, the LED rule and
// pictures, the dialog wrappers and the chart data.
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QLibraryInfo>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "glucosim/ui/charts.h"
#include "glucosim/ui/dialogs.h"
#include "glucosim/ui/forms.h"
#include "glucosim/ui/hipo_delegate.h"
#include "glucosim/ui/leds.h"
#include "glucosim/ui/string_grid.h"
#include "toolkit/bitmap.h"

using namespace glucosim;

namespace {

QLineSeries* seriesNamed(QChart* chart, const QString& name) {
    for (QAbstractSeries* s : chart->series())
        if (s->objectName() == name) return qobject_cast<QLineSeries*>(s);
    return nullptr;
}

std::shared_ptr<Results> syntheticResults() {
    auto r = std::make_shared<Results>();
    r->patient = 4;
    r->experiments.assign(kExperiments, ExperimentResult{});
    for (int j = 0; j < kExperiments; ++j)
        for (int m = 0; m <= kSamples; ++m) {
            const double base = 100 + j + 0.5 * m;
            r->experiments[j].glucose[m] = modal::ivalDb::exact(base - 10, base + 10);
            if (m < kSamples) r->experiments[j].measured[m] = base + (m % 3);
        }
    return r;
}

} // namespace

class WidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void gridAddressesCellsByColumnAndRowWithRowZeroAsHeader() {
        StringGrid grid(QStringLiteral("SG"), 3, 5, 100);
        QCOMPARE(grid.colCount(), 3);
        QCOMPARE(grid.gridRowCount(), 5);
        QCOMPARE(grid.model()->rowCount(), 4); // body rows
        grid.setCell(1, 0, QStringLiteral("capçalera"));
        grid.setCell(2, 4, QStringLiteral("4,5"));
        QCOMPARE(grid.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("capçalera"));
        QCOMPARE(grid.model()->index(3, 2).data().toString(), QStringLiteral("4,5"));
        QCOMPARE(grid.cell(2, 4), QStringLiteral("4,5"));
        grid.setCell(5, 1, QStringLiteral("x")); // outside: ignored
        QCOMPARE(grid.cell(5, 1), QString());
        QCOMPARE(grid.colWidth(0), 100);
        grid.setColWidth(0, 40);
        QCOMPARE(grid.colWidth(0), 40);

        grid.grid()->setTable({{"a", "b"}, {"c", "d", "e", "f"}});
        QCOMPARE(grid.cell(0, 0), QStringLiteral("a"));
        QCOMPARE(grid.cell(2, 1), QStringLiteral("e"));
        QCOMPARE(grid.cell(2, 4), QString()); // cleared
        const Table t = grid.grid()->table(2, 3);
        QCOMPARE(t.size(), std::size_t(2));
        QCOMPARE(t[1], (std::vector<std::string>{"c", "d", "e"}));

        grid.grid()->setTable({{"1", "2", "3", "4"}}, true);
        QCOMPARE(grid.colCount(), 4);
        QCOMPARE(grid.cell(3, 0), QStringLiteral("4"));

        // Texts too long for their column show whole in the tooltip.
        grid.setCell(1, 0, QStringLiteral("Mín. Glucosa Sim. nº 12"));
        grid.setCell(1, 2, QStringLiteral("13,7662496421234"));
        QCOMPARE(grid.model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
                 QStringLiteral("Mín. Glucosa Sim. nº 12"));
        QCOMPARE(grid.model()->index(1, 1).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("13,7662496421234"));
        QVERIFY(grid.model()->index(0, 0).data(Qt::ToolTipRole).isNull()); // empty cell
    }

    void gridDoubleClickReportsTheGridRow() {
        StringGrid grid(QStringLiteral("SG"), 3, 5, 100);
        grid.resize(400, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QSignalSpy spy(&grid, &StringGrid::rowActivated);
        const QRect r = grid.cellRect(1, 3);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, r.center());
        QVERIFY(!spy.isEmpty());
        QCOMPARE(spy.last().at(0).toInt(), 3);
    }

    void ledRuleForEachCase() {
        using V = std::vector<Led>;
        QCOMPARE(ledsFor(0, 0), (V{Led::Orange, Led::Green}));
        QCOMPARE(ledsFor(12, 15), (V{Led::Red}));
        QCOMPARE(ledsFor(10, 10), V{});
        QCOMPARE(ledsFor(10, 15), V{}); // at least 10 both, not above 10 both
        QCOMPARE(ledsFor(11, 10), V{});
        QCOMPARE(ledsFor(1, 0), (V{Led::Orange}));
        QCOMPARE(ledsFor(0, 24.6), (V{Led::Orange}));
        QCOMPARE(ledsFor(12, 9), (V{Led::Orange}));
    }

    void ledPicturesAreBuiltInAndReplacedByFilesThatExist() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const LedPictures builtIn(dir.path());
        for (Led led : {Led::Green, Led::Red, Led::Orange}) {
            QVERIFY(!builtIn.fromFile(led));
            QVERIFY(!builtIn.picture(led).isNull());
        }
        // The middle of each built-in picture has its colour's dominant channel.
        const QColor green = builtIn.picture(Led::Green).pixelColor(10, 6);
        const QColor red = builtIn.picture(Led::Red).pixelColor(10, 6);
        QVERIFY(green.green() > green.red() && green.green() > green.blue());
        QVERIFY(red.red() > red.green() && red.red() > red.blue());

        toolkit::Bitmap blue(8, 8);
        blue.canvas().brush().color = toolkit::kBlue;
        blue.canvas().fillRect(toolkit::Rect{0, 0, 8, 8});
        QVERIFY(blue.saveToFile(
            QDir(dir.path()).filePath(QStringLiteral("LedRecVerd.bmp")).toStdString()));
        QFile junk(QDir(dir.path()).filePath(QStringLiteral("LedRecVermell.bmp")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a bitmap");
        junk.close();

        const LedPictures withFiles(dir.path());
        QVERIFY(withFiles.fromFile(Led::Green));
        QCOMPARE(withFiles.picture(Led::Green).size(), QSize(8, 8));
        QCOMPARE(withFiles.picture(Led::Green).pixelColor(3, 3), QColor(0, 0, 255));
        QVERIFY(!withFiles.fromFile(Led::Red)); // unreadable: the built-in one stays
        QVERIFY(!withFiles.fromFile(Led::Orange));
    }

    void hipoCellsShowTheirLedsOverTheText() {
        QTemporaryDir dir;
        const LedPictures pictures(dir.path());
        StringGrid grid(QStringLiteral("SG"), 6, 30, 60);
        auto* delegate = new HipoDelegate(&pictures, 5, 24, &grid);
        grid.setItemDelegateForColumn(4, delegate);
        const char* cases[][2] = {{"0", "0"}, {"12", "15,5"}, {"10", "10"}, {"0", "3"}, {"", ""}};
        for (int i = 0; i < 5; ++i) {
            grid.setCell(4, i + 1, QString::fromUtf8(cases[i][0]));
            grid.setCell(5, i + 1, QString::fromUtf8(cases[i][1]));
        }
        grid.setCell(4, 25, QStringLiteral("0")); // beyond the experiment rows
        grid.setCell(5, 25, QStringLiteral("0"));
        using V = std::vector<Led>;
        auto at = [&](int row) { return grid.model()->index(row - 1, 4); };
        QCOMPARE(delegate->ledsOf(at(1)), (V{Led::Orange, Led::Green}));
        QCOMPARE(delegate->ledsOf(at(2)), (V{Led::Red}));
        QCOMPARE(delegate->ledsOf(at(3)), V{});
        QCOMPARE(delegate->ledsOf(at(4)), (V{Led::Orange}));
        QCOMPARE(delegate->ledsOf(at(5)), V{}); // empty cells: nothing, no error
        QCOMPARE(delegate->ledsOf(at(25)), V{});

        grid.resize(500, 400);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const QImage shot = grid.viewport()->grab().toImage();
        auto pixelAt = [&](int row) {
            const QRect r = grid.cellRect(4, row);
            const qreal ratio = shot.devicePixelRatio();
            return shot.pixelColor(QPoint(r.left() + 10, r.top() + 6) * ratio);
        };
        QCOMPARE(pixelAt(1), pictures.picture(Led::Green).pixelColor(10, 6));
        QCOMPARE(pixelAt(2), pictures.picture(Led::Red).pixelColor(10, 6));
        QCOMPARE(pixelAt(4), pictures.picture(Led::Orange).pixelColor(10, 6));
        QVERIFY(pixelAt(3) != pictures.picture(Led::Orange).pixelColor(10, 6));
        // No text in the experiment rows: row 3 ("10", no LED) stays one colour
        // right of the LED pictures, where a text would show.
        const QRect r3 = grid.cellRect(4, 3);
        const qreal ratio = shot.devicePixelRatio();
        const QColor background = shot.pixelColor(QPoint(r3.right() - 2, r3.top() + 2) * ratio);
        for (int x = r3.left() + 2; x < r3.right() - 1; ++x)
            for (int y = r3.top() + 2; y < r3.bottom() - 1; ++y)
                QCOMPARE(shot.pixelColor(QPoint(x, y) * ratio), background);
        QCOMPARE(grid.model()->index(2, 4).data(Qt::ToolTipRole).toString(), QStringLiteral("10"));
    }

    void fileDialogPassesTitleFilterAndSuffixAndKeepsTheChosenName() {
        QCOMPARE(qtNameFilter(QStringLiteral("Documents de text (*.txt)|*.txt")),
                 QStringLiteral("Documents de text (*.txt)"));
        QString seenTitle, seenFilter, seenSuffix, seenProposed;
        dialogHooks().saveFile = [&](QWidget*, const QString& t, const QString& f, const QString& s,
                                     const QString& p) {
            seenTitle = t;
            seenFilter = f;
            seenSuffix = s;
            seenProposed = p;
            return QStringLiteral("/tmp/x.txt");
        };
        FileDialog save(FileDialog::Kind::Save, QStringLiteral("SaveDialog1"),
                        QStringLiteral("Títol"), nullptr);
        QVERIFY(save.execute(nullptr, QStringLiteral("/dades/e_resultats.txt")));
        QCOMPARE(save.fileName(), QStringLiteral("/tmp/x.txt"));
        QCOMPARE(seenTitle, QStringLiteral("Títol"));
        QCOMPARE(seenFilter, QStringLiteral("Documents de text (*.txt)"));
        QCOMPARE(seenSuffix, QStringLiteral("txt"));
        QCOMPARE(seenProposed, QStringLiteral("/dades/e_resultats.txt"));
        // The proposed name: the table's beside the experiment file.
        const std::vector<std::string> inputs{"/dades/exp.pacient3.txt", "/x/p.txt", "/y/g.txt"};
        QCOMPARE(proposedFileName(inputs, QStringLiteral("roc"), QStringLiteral("png")),
                 QStringLiteral("/dades/exp.pacient3_roc.png"));
        QCOMPARE(proposedFileName({}, QStringLiteral("roc"), QStringLiteral("png")),
                 QStringLiteral("roc.png"));
        QCOMPARE(dataFolder(inputs), QStringLiteral("/dades"));
        dialogHooks().saveFile = [](QWidget*, const QString&, const QString&, const QString&,
                                    const QString&) { return QString(); };
        QVERIFY(!save.execute(nullptr));
        QCOMPARE(save.fileName(), QStringLiteral("/tmp/x.txt")); // the last confirmed name
        resetDialogHooks();
    }

    void glucoseSeriesFollowTheGridRowsAndSkipValuesThatAreNotFinite() {
        auto r = syntheticResults();
        r->experiments[0].glucose[7] = modal::ivalDb::exact(modal::kNaN, modal::kNaN);
        r->experiments[0].measured[8] = modal::kInf;
        const GlucoseSeries s = glucoseSeries(r->experiments[0]);
        QCOMPARE(s.lower.size(), kSamples - 1);
        QCOMPARE(s.upper.size(), kSamples - 1);
        QCOMPARE(s.measured.size(), kSamples - 1);
        QCOMPARE(s.lower[0], QPointF(0, 90)); // minute 0 shows the basal interval
        QCOMPARE(s.upper[10], QPointF(11, 100 + 5.5 + 10));
        const GlucoseSeries full = glucoseSeries(r->experiments[3]);
        QCOMPARE(full.measured.size(), kSamples);
        QCOMPARE(full.measured[299], QPointF(299, 103 + 149.5 + 2));
    }

    void glucoseChartShowsTheChosenExperimentWithThresholds() {
        auto r = syntheticResults();
        GlucoseChartDialog chart;
        chart.setResults(r);
        chart.showExperiment(5);
        QCOMPARE(chart.experiment(), 5);
        QCOMPARE(chart.selector()->count(), kExperiments);
        QLineSeries* lower = seriesNamed(chart.view()->chart(), QStringLiteral("lower"));
        QLineSeries* upper = seriesNamed(chart.view()->chart(), QStringLiteral("upper"));
        QLineSeries* measured = seriesNamed(chart.view()->chart(), QStringLiteral("measured"));
        QVERIFY(lower && upper && measured);
        QCOMPARE(lower->count(), kSamples);
        QCOMPARE(upper->at(100), QPointF(100, 105 + 50 + 10));
        QCOMPARE(measured->at(100), QPointF(100, 105 + 50 + 1));
        // The limits the results use, each named after its use, the same
        // lines as the batch pictures draw (on a chart of their own).
        QChart batchChart;
        drawGlucoseChart(&batchChart, r->experiments[5], 5, r->patient);
        for (QChart* c : {chart.view()->chart(), &batchChart}) {
            const struct {
                const char* name;
                double y;
                const char* label;
            } lines[] = {{"hypo", 70, "Hipoglucèmia, àrees i mètriques (70 mg/dl)"},
                         {"hyper", 150, "Hiperglucèmia, àrees (150 mg/dl)"},
                         {"range", 180, "Hiperglucèmia, mètriques (180 mg/dl)"}};
            for (const auto& line : lines) {
                QLineSeries* s = seriesNamed(c, QString::fromLatin1(line.name));
                QVERIFY2(s, line.name);
                QCOMPARE(s->at(1).y(), line.y);
                QCOMPARE(s->name(), QString::fromUtf8(line.label));
            }
            QVERIFY(c->localizeNumbers());
            QCOMPARE(c->locale().decimalPoint(), QStringLiteral(","));
        }
        chart.selector()->setCurrentIndex(0);
        lower = seriesNamed(chart.view()->chart(), QStringLiteral("lower"));
        QCOMPARE(lower->at(0), QPointF(0, 90));
    }

    void rocPointsAndChart() {
        RocTable roc;
        for (int k = 0; k < kRocThresholds; ++k) {
            roc.rows[RocTable::Sens][k] = 1.0 - k * 0.05;
            roc.rows[RocTable::OneMinusSpec][k] = 0.5 - k * 0.025;
        }
        roc.rows[RocTable::Sens][19] = modal::kNaN; // 0 / 0
        const QVector<QPointF> points = rocPoints(roc);
        QCOMPARE(points.size(), 19);
        QCOMPARE(points[2], QPointF(0.45, 0.9));
        RocChartDialog dialog;
        dialog.setRoc(roc);
        QLineSeries* curve = seriesNamed(dialog.view()->chart(), QStringLiteral("roc"));
        QVERIFY(curve);
        // The 19 points on Sens. = 2 (1-Espec.) up to (0.5, 1), then (1, 1):
        // an area of 0.25 + 0.5.
        QCOMPARE(curve->count(), 21);
        QCOMPARE(curve->at(0), QPointF(0, 0));
        QCOMPARE(curve->at(20), QPointF(1, 1));
        const QString title = dialog.view()->chart()->title();
        QVERIFY2(title.contains(QStringLiteral("(AUC) = 0,750")), qPrintable(title));
        QChart batchChart; // the axes' numbers have the decimal comma too
        drawRocChart(&batchChart, roc);
        QVERIFY(batchChart.localizeNumbers());
        QCOMPARE(batchChart.locale().decimalPoint(), QStringLiteral(","));

        roc.rows[RocTable::Sens].fill(modal::kNaN); // no positives: no curve, and why
        roc.rows[RocTable::VN].fill(24);
        dialog.setRoc(roc);
        QCOMPARE(seriesNamed(dialog.view()->chart(), QStringLiteral("roc"))->count(), 0);
        QVERIFY(dialog.view()->chart()->title().contains(QStringLiteral("no hi ha corba ROC")));
        QVERIFY(!dialog.view()->chart()->title().contains(QStringLiteral("AUC")));
    }

    void qtTranslationsAreCatalanWhenInstalled() {
        QTemporaryDir empty;
        QVERIFY(!installQtTranslations(*QCoreApplication::instance(), empty.path()));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"),
                 QStringLiteral("Look in:"));
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                           QStringLiteral("/qtbase_ca.qm")))
            QSKIP("qt6-translations-l10n is not installed");
        QVERIFY(installQtTranslations(*QCoreApplication::instance()));
        QVERIFY(QCoreApplication::translate("QFileDialog", "Look in:") != "Look in:");
        QVERIFY(QCoreApplication::translate("QPlatformTheme", "Cancel") != "Cancel");
    }

    void noDisplayIsNoticedBeforeQtWouldAbort() {
        const QByteArray names[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
        QByteArray saved[3];
        for (int i = 0; i < 3; ++i) {
            saved[i] = qgetenv(names[i].constData());
            qunsetenv(names[i].constData());
        }
        char prog[] = "glucosim", platform[] = "-platform", offscreen[] = "offscreen";
        char* plain[] = {prog, nullptr};
        char* withPlatform[] = {prog, platform, offscreen, nullptr};
        const bool none = displayAvailable(1, plain);
        const bool chosen = displayAvailable(3, withPlatform);
        qputenv("DISPLAY", ":42");
        const bool x = displayAvailable(1, plain);
        qunsetenv("DISPLAY");
        for (int i = 0; i < 3; ++i)
            if (!saved[i].isNull()) qputenv(names[i].constData(), saved[i]);
        QVERIFY(!none);
        QVERIFY(chosen);
        QVERIFY(x);
    }

    // "Guardar imatge...": the picture as PNG where the dialog says, the
    // status line saying so; a file that cannot be written is reported.
    void chartSavedAsPng() {
        QTemporaryDir dir;
        RocChartDialog dialog;
        dialog.setRoc(RocTable{}, {QDir(dir.path()).filePath("exp.txt").toStdString()});
        dialog.resize(500, 400);
        QStringList answers = {QDir(dir.path()).filePath(QStringLiteral("roc.png")),
                               QDir(dir.path()).filePath(QStringLiteral("no/such/dir/x.png"))};
        QString proposed, suffix, message;
        dialogHooks().saveFile = [&](QWidget*, const QString&, const QString&, const QString& s,
                                     const QString& p) {
            proposed = p;
            suffix = s;
            return answers.takeFirst();
        };
        dialogHooks().message = [&](QWidget*, const QString&, const QString& text, MessageKind) {
            message = text;
        };
        auto* save = dialog.findChild<QPushButton*>(QStringLiteral("Btn_GuardarGrafic"));
        QVERIFY(save);
        QCOMPARE(save->text(), QStringLiteral("Guardar imatge..."));
        save->click();
        QCOMPARE(proposed, QDir(dir.path()).filePath(QStringLiteral("exp_roc.png")));
        QCOMPARE(suffix, QStringLiteral("png"));
        QImage back(QDir(dir.path()).filePath(QStringLiteral("roc.png")));
        QVERIFY(!back.isNull());
        QVERIFY(back.width() > 100);
        QVERIFY(dialog.statusLine()->currentMessage().contains(QStringLiteral("roc.png")));
        QVERIFY(message.isEmpty());
        save->click();
        QVERIFY2(message.contains(QStringLiteral("no existeix el fitxer o el directori")),
                 qPrintable(message));
        resetDialogHooks();
    }

    // Qt's notice about XDG_RUNTIME_DIR is dropped; every other message
    // passes.
    void runtimeFolderNoticeIsNotShown() {
        static QStringList seen;
        seen.clear();
        const QtMessageHandler test = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { seen << text; });
        installMessageFilter();
        qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-x'");
        qWarning("una altra cosa");
        installMessageFilter(); // once more: still one filter, no loop
        qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-x'");
        qInstallMessageHandler(test);
        QCOMPARE(seen, QStringList{QStringLiteral("una altra cosa")});
    }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
