#include "glucosim/ui/principal.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QThread>

#include "glucosim/ui/result_forms.h"

namespace glucosim {

const QString TF_Principal::kHelpTitle = QStringLiteral("Procediment d'utilització del programa");
const QString TF_Principal::kHelpText = QStringLiteral(
    "1-Executar el programa.\n"
    "2-Carregar el fitxer de dades amb els resultats de l'experiment i el fitxer amb les dades "
    "de glucosa.\n"
    "IMPORTANT:  el  programa  carrega  3  fitxers  .txt,  els  dos  ja  mencionats i  el  "
    "'parametros_bergman_ajustados'. Tots tres han d'estar  en el mateix path.\n"
    "3-Seleccionar si es vol fer un càlcul amb optimització o puntual.\n"
    "4-Seleccionar el procediment d'optimització.\n"
    "5-Generar i visualitzar els resultats.");

namespace {

constexpr int kClientWidth = 289;
constexpr int kClientHeight = 296;

const QColor kDisabledEdit(0xE6, 0xE6, 0xE6);
const QColor kEnabledEdit(0xFF, 0xFF, 0xFF);

template <class W> W* place(W* w, const QString& name, int x, int y, int width, int height) {
    w->setObjectName(name);
    w->setGeometry(x, y, width, height);
    return w;
}

QFrame* bevel(QWidget* parent, const QString& name, int x, int y, int w, int h) {
    auto* f = place(new QFrame(parent), name, x, y, w, h);
    f->setFrameShape(QFrame::Box);
    f->setFrameShadow(QFrame::Sunken);
    f->lower();
    return f;
}

void colourEdit(QLineEdit* edit, const QColor& colour) {
    QPalette p = edit->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Base, colour);
    edit->setPalette(p);
}

} // namespace

TF_Principal::TF_Principal(QWidget* parent)
    : QMainWindow(parent), data_(std::make_unique<DataSet>()) {
    setObjectName(QStringLiteral("F_Principal"));
    setWindowTitle(QStringLiteral("Menú principal"));
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    createMenus();
    createOptimisationBox(client);
    createValuesBox(client);
    createStatusBox(client);
    OpenDialog1 = new FileDialog(FileDialog::Kind::Open, QStringLiteral("OpenDialog1"),
                                 QStringLiteral("Selecciona el fitxer amb l'experiment"), this);
    OpenDialog2 = new FileDialog(FileDialog::Kind::Open, QStringLiteral("OpenDialog2"),
                                 QStringLiteral("Selecciona el fitxer de glucosa"), this);
    connectControls();

    // Notes about the data files (rows that were not read) go to the status
    // bar below the client area; its tooltip holds the whole text.
    statusBar()->setSizeGripEnabled(false);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    // Fixed border: the client area keeps its size between the menu and the
    // status bar.
    client->setFixedSize(kClientWidth, kClientHeight);
    setFixedSize(kClientWidth,
                 kClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                   Qt::WindowTitleHint | Qt::CustomizeWindowHint);

    showDataStatus();
    TB_Sens->setText(kInitialSensText);
    TB_Tmax->setText(kInitialTmaxText);
    setItemIndex(2);
    RB_Optimitzar->setChecked(true);
    RB_OptimitzarClick();
}

void TF_Principal::createMenus() {
    QMenu* arxiu = menuBar()->addMenu(QStringLiteral("Arxiu"));
    Sortir = arxiu->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                              QStringLiteral("Sortir"));
    Sortir->setObjectName(QStringLiteral("Sortir"));
    QMenu* dadesMenu = menuBar()->addMenu(QStringLiteral("Dades"));
    CarregarDades = dadesMenu->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton),
                                         QStringLiteral("Carregar dades"));
    CarregarDades->setObjectName(QStringLiteral("CarregarDades"));
    Ajuda = menuBar()->addAction(QStringLiteral("Ajuda"));
    Ajuda->setObjectName(QStringLiteral("Ajuda"));
}

// Optimisation mode and its criteria.
void TF_Principal::createOptimisationBox(QWidget* client) {
    Bevel1 = bevel(client, QStringLiteral("Bevel1"), 6, 6, 277, 124);
    RB_Optimitzar = place(new QRadioButton(QStringLiteral("Càlcul amb optimització"), client),
                          QStringLiteral("RB_Optimitzar"), 14, 12, 260, 20);
    RG_TipusOptimitzacio = place(new QGroupBox(QStringLiteral("Tipus optimització"), client),
                                 QStringLiteral("RG_TipusOptimitzacio"), 14, 36, 261, 88);
    // The four items in two columns fit the form's width in a narrower font.
    QFont itemFont = RG_TipusOptimitzacio->font();
    itemFont.setPointSizeF(itemFont.pointSizeF() * 0.85);
    itemFont.setStretch(QFont::Condensed);
    criteria_ = new QButtonGroup(this);
    auto* grid = new QGridLayout(RG_TipusOptimitzacio);
    grid->setContentsMargins(4, 2, 2, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    for (int i = 0; i < kCriteria; ++i) {
        auto* item = new QRadioButton(QString::fromStdString(criterionName(Criterion(i))),
                                      RG_TipusOptimitzacio);
        item->setObjectName(QStringLiteral("RG_TipusOptimitzacio_%1").arg(i));
        item->setFont(itemFont);
        criteria_->addButton(item, i);
        if (Criterion(i) != Criterion::Coverage) {
            // Two columns, filled column by column.
            grid->addWidget(item, i % 2, i / 2);
        } else {
            // The fit criterion, added below the four items.
            item->setToolTip(QStringLiteral("La parella amb més mostres de glucosa mesurada dins "
                                            "la banda simulada; en cas d'empat, la de banda més "
                                            "estreta"));
            grid->addWidget(item, 2, 0, 1, 2);
        }
    }
}

// Concrete values mode.
void TF_Principal::createValuesBox(QWidget* client) {
    Bevel2 = bevel(client, QStringLiteral("Bevel2"), 6, 136, 277, 84);
    RB_ValorsPuntuals =
        place(new QRadioButton(QStringLiteral("Càlcul amb Si i TmaxG concrets"), client),
              QStringLiteral("RB_ValorsPuntuals"), 14, 142, 260, 20);
    Label2 = place(new QLabel(QStringLiteral("Sensibilitat:"), client), QStringLiteral("Label2"),
                   30, 168, 80, 21);
    TB_Sens = place(new QLineEdit(client), QStringLiteral("TB_Sens"), 112, 168, 80, 21);
    Label3 = place(new QLabel(QStringLiteral("x10^-4"), client), QStringLiteral("Label3"), 198, 168,
                   60, 21);
    Label1 = place(new QLabel(QStringLiteral("TmaxG:"), client), QStringLiteral("Label1"), 30, 194,
                   80, 21);
    TB_Tmax = place(new QLineEdit(client), QStringLiteral("TB_Tmax"), 112, 194, 80, 21);
}

// Status, computation and progress.
void TF_Principal::createStatusBox(QWidget* client) {
    Bevel3 = bevel(client, QStringLiteral("Bevel3"), 6, 226, 277, 64);
    Txt_InfoUsuari =
        place(new QLineEdit(client), QStringLiteral("Txt_InfoUsuari"), 14, 232, 261, 20);
    Txt_InfoUsuari->setReadOnly(true);
    Txt_InfoUsuari->setFrame(false);
    Txt_InfoUsuari->setFocusPolicy(Qt::NoFocus);
    Txt_InfoUsuari->setAlignment(Qt::AlignCenter);
    Btn_Visualitzacio = place(new QPushButton(QStringLiteral("Generar Resultats"), client),
                              QStringLiteral("Btn_Visualitzacio"), 14, 256, 124, 28);
    ProgressBar1 =
        place(new QProgressBar(client), QStringLiteral("ProgressBar1"), 146, 260, 129, 20);
    ProgressBar1->setRange(0, kProgressMaximum);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
}

void TF_Principal::connectControls() {
    connect(Sortir, &QAction::triggered, this, &QWidget::close);
    connect(CarregarDades, &QAction::triggered, this, &TF_Principal::CarregarDadesClick);
    connect(Ajuda, &QAction::triggered, this, &TF_Principal::AjudaClick);
    connect(RB_Optimitzar, &QRadioButton::clicked, this, &TF_Principal::RB_OptimitzarClick);
    connect(RB_ValorsPuntuals, &QRadioButton::clicked, this, &TF_Principal::RB_ValorsPuntualsClick);
    connect(Btn_Visualitzacio, &QPushButton::clicked, this, &TF_Principal::Btn_VisualitzacioClick);
}

TF_Principal::~TF_Principal() {
    waitForWorker();
}

int TF_Principal::itemIndex() const {
    return criteria_->checkedId();
}

void TF_Principal::setItemIndex(int index) {
    if (QAbstractButton* b = criteria_->button(index)) b->setChecked(true);
}

void TF_Principal::showDataStatus() {
    Txt_InfoUsuari->setText(QString::fromStdString(statusText(*data_)));
    Btn_Visualitzacio->setEnabled(data_->complete() && !computing());
}

void TF_Principal::RB_OptimitzarClick() {
    TB_Tmax->setEnabled(false);
    TB_Sens->setEnabled(false);
    colourEdit(TB_Tmax, kDisabledEdit);
    colourEdit(TB_Sens, kDisabledEdit);
    RG_TipusOptimitzacio->setEnabled(true);
}

void TF_Principal::RB_ValorsPuntualsClick() {
    TB_Tmax->setEnabled(true);
    TB_Sens->setEnabled(true);
    colourEdit(TB_Tmax, kEnabledEdit);
    colourEdit(TB_Sens, kEnabledEdit);
    RG_TipusOptimitzacio->setEnabled(false);
}

void TF_Principal::AjudaClick() {
    dialogHooks().message(this, kHelpTitle, kHelpText, MessageKind::Information);
}

void TF_Principal::CarregarDadesClick() {
    if (computing()) return;
    DataError error;
    Warnings warnings;
    const auto report = [this](const DataError& e) {
        dialogHooks().message(this, kProgramTitle, QString::fromStdString(e.message()),
                              MessageKind::Warning);
    };
    if (OpenDialog1->execute(this)) {
        const std::string path = OpenDialog1->fileName().toStdString();
        if (!loadExperimentAndParameters(*data_, path, parameterFileCandidates(path), error,
                                         &warnings))
            report(error);
    }
    if (OpenDialog2->execute(this)) {
        if (!loadGlucose(*data_, OpenDialog2->fileName().toStdString(), error, &warnings))
            report(error);
    }
    showDataStatus();
    QStringList notes;
    for (const std::string& w : warnings)
        notes << QString::fromStdString(w);
    statusBar()->showMessage(notes.join(QStringLiteral("; ")));
    statusBar()->setToolTip(notes.join(QLatin1Char('\n')));
}

void TF_Principal::setComputing(bool on) {
    RB_Optimitzar->setEnabled(!on);
    RB_ValorsPuntuals->setEnabled(!on);
    CarregarDades->setEnabled(!on);
    if (on) {
        RG_TipusOptimitzacio->setEnabled(false);
        TB_Sens->setEnabled(false);
        TB_Tmax->setEnabled(false);
        Btn_Visualitzacio->setEnabled(false);
    } else {
        if (RB_Optimitzar->isChecked())
            RB_OptimitzarClick();
        else
            RB_ValorsPuntualsClick();
        Btn_Visualitzacio->setEnabled(data_->complete());
    }
}

void TF_Principal::Btn_VisualitzacioClick() {
    if (computing() || !data_->complete()) return;
    const bool optimise = RB_Optimitzar->isChecked();
    ConcreteValues values;
    if (!optimise) {
        values = readConcreteValues(TB_Sens->text().toStdString(), TB_Tmax->text().toStdString());
        if (values.corrected) {
            // The specified sentence first, then which field was wrong and
            // what the results shown are computed with.
            dialogHooks().message(this, kProgramTitle,
                                  QString::fromUtf8(kValuesErrorText) + QStringLiteral("\n\n") +
                                      QString::fromStdString(values.details),
                                  MessageKind::Warning);
            TB_Tmax->setText(kResetTmaxText);
            TB_Sens->setText(kResetSensText);
        }
    }
    const auto criterion = static_cast<Criterion>(std::max(0, itemIndex()));
    setComputing(true);
    ProgressBar1->setValue(0);

    // The worker reads its own copy of the data; progress comes back to this
    // thread as queued calls.
    auto data = std::make_shared<const DataSet>(*data_);
    pending_ = std::make_shared<Results>();
    auto out = pending_;
    QProgressBar* bar = ProgressBar1;
    worker_ = QThread::create([=] {
        if (optimise) {
            *out = computeWithOptimisation(*data, criterion, [bar](int index) {
                QMetaObject::invokeMethod(
                    bar, [bar, index] { bar->setValue(index); }, Qt::QueuedConnection);
            });
        } else {
            *out = computeWithValues(*data, values.sensitivity, values.tmax);
        }
    });
    connect(worker_, &QThread::finished, this, &TF_Principal::finishComputation);
    worker_->start();
}

void TF_Principal::finishComputation() {
    if (!worker_) return;
    worker_->wait();
    worker_->deleteLater();
    worker_ = nullptr;
    results_ = std::move(pending_);
    pending_.reset();
    setComputing(false);
    ProgressBar1->setValue(0);
    if (dades_) {
        dades_->setResults(results_);
        dades_->show();
        dades_->raise();
    }
    const std::vector<std::string> notFinite = nonFiniteWarnings(*results_);
    if (!notFinite.empty()) {
        QStringList lines;
        for (const std::string& w : notFinite)
            lines << QStringLiteral("- ") + QString::fromStdString(w);
        dialogHooks().message(dades_ ? static_cast<QWidget*>(dades_) : this, kProgramTitle,
                              QStringLiteral("La simulació ha donat valors no finits:\n") +
                                  lines.join(QLatin1Char('\n')),
                              MessageKind::Warning);
    }
    emit computationFinished();
}

void TF_Principal::waitForWorker() {
    if (!worker_) return;
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
}

void TF_Principal::closeEvent(QCloseEvent* event) {
    waitForWorker();
    event->accept();
    emit closed();
}

} // namespace glucosim
