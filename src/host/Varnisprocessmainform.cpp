#include "Varnisprocessmainform.h"

#include <QScopedValueRollback>

#include "ProcessHost.h"

#include "platform/AppInfo.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpacerItem>
#include <QHeaderView>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kClientWidth = 673;
constexpr int kClientHeight = 639;
constexpr int kShortFieldWidth = 46;
constexpr int kShortFieldHeight = 20;

// First hour digit optional; a blank stands in for it, as in " 0:10".
const QString kPeriodMask = QStringLiteral("09:99; ");
const QString kClockMask = QStringLiteral("99:99;_");

// A mask fills from the left, so "6:30" would land as "63:0". Align a one-digit hour first.
QString alignHour(const QString& text, QChar pad)
{
    static const QRegularExpression oneDigitHour(QStringLiteral("^\\s*(\\d:\\d\\d)$"));
    const QRegularExpressionMatch m = oneDigitHour.match(text);
    return m.hasMatch() ? pad + m.captured(1) : text;
}

QLineEdit* narrow(QLineEdit* edit)
{
    edit->setFixedSize(kShortFieldWidth, kShortFieldHeight);
    return edit;
}

QFont windowFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    return font;
}

}  // namespace

RadioGroupBox::RadioGroupBox(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this)), grid_(new QGridLayout(this))
{
    grid_->setContentsMargins(8, 2, 8, 4);
    grid_->setHorizontalSpacing(6);
    grid_->setVerticalSpacing(2);
    grid_->setColumnStretch(2, 1);
    for (const QString& caption : items) {
        auto* button = new QRadioButton(caption, this);
        const int index = static_cast<int>(items_.size());
        buttons_->addButton(button, index);
        connect(button, &QRadioButton::toggled, this, [this, index](bool checked) {
            if (checked)
                Q_EMIT itemIndexChanged(index);
        });
        grid_->addWidget(button, index, 0);
        items_.push_back(button);
    }
}

int RadioGroupBox::itemIndex() const
{
    return buttons_->checkedId();
}

void RadioGroupBox::setItemIndex(int index)
{
    // A stored index past the last item chooses the last, so that Start saves a real one.
    if (index >= count() && count() > 0)
        index = count() - 1;
    if (index >= 0 && index < count()) {
        items_[static_cast<size_t>(index)]->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied by unchecking its member.
    buttons_->setExclusive(false);
    for (QRadioButton* button : items_)
        button->setChecked(false);
    buttons_->setExclusive(true);
}

void RadioGroupBox::addBeside(int index, QWidget* widget)
{
    grid_->addWidget(widget, index, 1, Qt::AlignLeft);
}

void RadioGroupBox::setItemColumnWidth(int width)
{
    grid_->setColumnMinimumWidth(0, width);
}

int RadioGroupBox::itemColumnHint() const
{
    int width = 0;
    for (const QRadioButton* button : items_)
        width = std::max(width, button->sizeHint().width());
    return width;
}

TVarnisProcessMain::TVarnisProcessMain(ProcessHost& host, QWidget* parent)
    : QWidget(parent), host_(host), dialogs_(this)
{
    setObjectName(QStringLiteral("VarnisProcessMain"));
    setWindowTitle(AppInfo::caption());
    setFont(windowFont());
    buildControls();
    setFixedSize(kClientWidth, kClientHeight);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    host_.setDialogs(&dialogs_);
    host_.FormCreate();
    pgLappuses->setCurrentWidget(tabIestatisana);
    fillControls();
    connect(&host_, &ProcessHost::settingsChanged, this, &TVarnisProcessMain::fillControls);
}

TVarnisProcessMain::~TVarnisProcessMain()
{
    host_.setDialogs(nullptr);
}

void TVarnisProcessMain::buildControls()
{
    pgLappuses = new QTabWidget(this);
    pgLappuses->setObjectName(QStringLiteral("pgLappuses"));

    tabIestatisana = buildSettingsPage();
    tabIestatisana->setObjectName(QStringLiteral("tabIestatisana"));
    pgLappuses->addTab(tabIestatisana, QStringLiteral("Iestatīšana"));
    // Measured once the page carries the window font.
    int itemColumn = 0;
    for (const RadioField& f : radios_)
        itemColumn = std::max(itemColumn, f.group->itemColumnHint());
    for (const RadioField& f : radios_)
        f.group->setItemColumnWidth(itemColumn);

    tabProcess = new QWidget;
    tabProcess->setObjectName(QStringLiteral("tabProcess"));
    lstProcess = new QListView(tabProcess);
    lstProcess->setObjectName(QStringLiteral("lstProcess"));
    lstProcess->setModel(host_.log().model());
    lstProcess->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstProcess->setSelectionMode(QAbstractItemView::SingleSelection);
    lstProcess->setUniformItemSizes(true);  // up to 3000 lines
    auto* processLayout = new QVBoxLayout(tabProcess);
    processLayout->setContentsMargins(0, 0, 0, 0);
    processLayout->addWidget(lstProcess);
    pgLappuses->addTab(tabProcess, QStringLiteral("Process"));
    connect(&host_.log(), &ProcessLog::lastLineChanged, this, &TVarnisProcessMain::showLastLine);

    tabStavoklis = buildStatusPage();
    pgLappuses->addTab(tabStavoklis, QStringLiteral("Stāvoklis"));
    connect(pgLappuses, &QTabWidget::currentChanged, this, [this](int) {
        if (pgLappuses->currentWidget() == tabStavoklis)
            host_.monitor().refresh();
    });

    btStart = new QPushButton(QStringLiteral("Start"), this);
    btStart->setObjectName(QStringLiteral("btStart"));
    connect(btStart, &QPushButton::clicked, this, &TVarnisProcessMain::btStartClick);
    btClose = new QPushButton(QStringLiteral("Aizvērt"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    connect(btClose, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hiddenButton("btTestEquinox", QStringLiteral("Test Equinox FTP"),
                                    &ProcessHost::btTestEquinoxClick));
    buttons->addWidget(hiddenButton("btTestEdisoft", QStringLiteral("Test Edisoft"), &ProcessHost::btTestEdisoftClick));
    buttons->addWidget(hiddenButton("btTestTelema", QStringLiteral("Test Telema"), &ProcessHost::btTestTelemaClick));
    buttons->addWidget(hiddenButton("btTestWebKlienti", QStringLiteral("Test Klientu saņem."),
                                    &ProcessHost::btTestWebKlientiClick));
    buttons->addWidget(hiddenButton("btEquinoxImport", QStringLiteral("Test Equinox Import"),
                                    &ProcessHost::btEquinoxImportClick));
    buttons->addWidget(hiddenButton("btD365_Get", QStringLiteral("Test D365 Get"), &ProcessHost::btD365_GetClick));
    buttons->addWidget(hiddenButton("btD365Post", QStringLiteral("Test D365 Post"), &ProcessHost::btD365PostClick));
    buttons->addStretch(1);
    buttons->addWidget(btStart);
    buttons->addWidget(btClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(pgLappuses, 1);
    layout->addLayout(buttons);
}

QWidget* TVarnisProcessMain::buildSettingsPage()
{
    using S = AutoProcessSettings;
    auto* page = new QWidget;

    // Database, temporary directory and the no-exchange period.
    auto* paths = new QGridLayout;
    paths->setHorizontalSpacing(6);
    paths->setVerticalSpacing(4);
    auto label = [page](const QString& text) { return new QLabel(text, page); };
    paths->addWidget(label(QStringLiteral("Datu bāze :")), 0, 0);
    paths->addWidget(textEdit("edDatuBaze", &S::DatuBaze), 0, 1, 1, 6);
    paths->addWidget(label(QStringLiteral("Temp katalogs :")), 1, 0);
    paths->addWidget(textEdit("edTempDir", &S::TempDir), 1, 1);
    paths->addItem(new QSpacerItem(12, 0), 1, 2);
    paths->addWidget(label(QStringLiteral("Neveikt datu apmaiņu periodā :")), 1, 3);
    paths->addWidget(narrow(textEdit("shNeveiktLaiksNo", &S::NeveiktLaiksNo, TextKind::Period)), 1, 4);
    paths->addWidget(label(QStringLiteral("–")), 1, 5);
    paths->addWidget(narrow(textEdit("shNeveiktLaiksLidz", &S::NeveiktLaiksLidz, TextKind::Period)), 1, 6);
    paths->setColumnStretch(1, 1);

    // Scheduled exchanges: the clock time sits beside "once a day", the minutes beside "every N".
    // The web shop's clock fields are masked time edits; the D365 ones are plain edits.
    auto scheduled = [&](const char* name, const QString& title, const QStringList& items, int S::*mode,
                         const char* clockName, QString S::*clock, const char* minutesName, QString S::*minutes,
                         TextKind clockKind = TextKind::Clock) {
        RadioGroupBox* group = radioGroup(name, title, items, mode);
        group->addBeside(1, narrow(textEdit(clockName, clock, clockKind)));
        group->addBeside(2, narrow(textEdit(minutesName, minutes)));
        return group;
    };
    auto periodic = [&](const char* name, const QString& title, const QString& every, int S::*mode,
                        const char* minutesName, QString S::*minutes) {
        RadioGroupBox* group = radioGroup(name, title, {QStringLiteral("Nesūtīt automātiski"), every}, mode);
        group->addBeside(1, narrow(textEdit(minutesName, minutes)));
        return group;
    };
    const QString daily = QStringLiteral("Vienu reizi dienā");
    const QString every = QStringLiteral("Ik pēc (min) :");
    const QStringList send{QStringLiteral("Nesūtīt automātiski"), daily, every};
    const QStringList receive{QStringLiteral("Nesaņemt automātiski"), daily, every};
    const QString everyBlank = every + QLatin1Char(' ');  // two groups caption it with a trailing blank

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(scheduled("rdAtlikumi", QStringLiteral("WWW - Preču atlikumu eksports"),
                              {QStringLiteral("Nesūtīt automātiski"), QStringLiteral("Vienu reizi dienā :"), every},
                              &S::AutoPrecuAtlikumi, "shAtlikPlkst", &S::AtlikPlkst, "edAtlikumiTime",
                              &S::AtlikumiTime));
    left->addWidget(scheduled("rdKlasifikatori", QStringLiteral("WWW - Sarakstu eksports"), send,
                              &S::AutoKlasifikatori, "shSarakstsPlkst", &S::SarakstsPlkst, "edSarakstiTime",
                              &S::SarakstiTime));
    left->addWidget(scheduled("rdSanemt", QStringLiteral("WWW - Pasūtījumu saņemšana"), receive, &S::AutoSanemt,
                              "shSanemPlkst", &S::SanemPlkst, "edSanemtTime", &S::SanemtTime));
    left->addWidget(scheduled("rdVestureTips", QStringLiteral("Pavadzīmju vēstures/Klientu atlikumi (OC3)"), send,
                              &S::VestureTips, "shVesturePlkst", &S::VesturePlkst, "edVestureTime",
                              &S::VestureTime));
    left->addWidget(checkGroup("chkEdisoftAuto", QStringLiteral("Edisoft"), &S::EdisoftAutoImport));
    left->addWidget(checkGroup("chkTelemaaAuto", QStringLiteral("Telemaa"), &S::TelemaaAutoImports));
    left->addStretch(1);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(scheduled("rdD365_GetVisparejieDati", QStringLiteral("D365 Get vispārājā informācija"), receive,
                               &S::D365_GetVisparejieDati, "edD365_GetPlkstVisparejie",
                               &S::D365_GetVisparejieDatiPlkst, "edD365_GetTimeVisparejie",
                               &S::D365_GetVisparejieDatiTime, TextKind::Plain));
    right->addWidget(scheduled("rdD365_GetAkcijuDati", QStringLiteral("D365 Get Akciju dati"), receive,
                               &S::D365_GetAkcijuDati, "edD365_GetPlkstAkcijas", &S::D365_GetAkcijuDatiPlkst,
                               "edD365_GetTimeAkcijas", &S::D365_GetAkcijuDatiTime, TextKind::Plain));
    right->addWidget(scheduled("rdD365_GetPavadzimjuDati", QStringLiteral("D365 Get pavadzīmju dati"), receive,
                               &S::D365_GetPavadzimjuDati, "edD365_GetPlkstPavadzimju",
                               &S::D365_GetPavadzimjuDatiPlkst, "edD365_GetTimePavadzimju",
                               &S::D365_GetPavadzimjuDatiTime, TextKind::Plain));
    right->addWidget(periodic("rdD365_PostAutoApmaina", QStringLiteral("D365 Post"), everyBlank, &S::D365_Post,
                              "edD365_PostTime", &S::D365_PostTime));
    right->addWidget(periodic("rdEquinoxAutoApmaina", QStringLiteral("Equinox"), everyBlank, &S::EquinixAutoApmaina,
                              "edEquinoxTime", &S::EquinixAutoApmainaTime));
    right->addWidget(periodic("rdHorizonAutoApmaina", QStringLiteral("Horizon"), every, &S::HorizonAutoApmaina,
                              "edHorizonTime", &S::HorizonAutoApmainaTime));
    right->addStretch(1);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(8);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 8, 8, 6);
    layout->setSpacing(8);
    layout->addLayout(paths);
    layout->addLayout(columns, 1);
    return page;
}

QWidget* TVarnisProcessMain::buildStatusPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabStavoklis"));
    grdStavoklis = new QTableView(page);
    grdStavoklis->setObjectName(QStringLiteral("grdStavoklis"));
    // The host keeps the table; it is rebuilt after every run.
    grdStavoklis->setModel(host_.monitor().statusModel());
    grdStavoklis->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdStavoklis->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdStavoklis->verticalHeader()->setVisible(false);
    grdStavoklis->verticalHeader()->setDefaultSectionSize(18);
    grdStavoklis->horizontalHeader()->setStretchLastSection(true);
    grdStavoklis->setWordWrap(false);
    connect(host_.monitor().statusModel(), &QAbstractItemModel::modelReset, grdStavoklis,
            [this] { grdStavoklis->resizeColumnsToContents(); });
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grdStavoklis);
    return page;
}

QLineEdit* TVarnisProcessMain::textEdit(const char* name, QString AutoProcessSettings::*value, TextKind kind)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    if (kind == TextKind::Period)
        edit->setInputMask(kPeriodMask);
    else if (kind == TextKind::Clock)
        edit->setInputMask(kClockMask);
    texts_.push_back({edit, value, kind});
    // The timers read the window's fields at each tick: an edit counts at once, not at Start.
    connect(edit, &QLineEdit::textChanged, this, [this, edit, value, kind] {
        if (!filling_)
            host_.settings().*value = kind == TextKind::Period ? edit->displayText() : edit->text();
    });
    return edit;
}

RadioGroupBox* TVarnisProcessMain::radioGroup(const char* name, const QString& title, const QStringList& items,
                                              int AutoProcessSettings::*value)
{
    auto* group = new RadioGroupBox(title, items);
    group->setObjectName(QString::fromLatin1(name));
    radios_.push_back({group, value});
    connect(group, &RadioGroupBox::itemIndexChanged, this, [this, value](int index) {
        if (!filling_)
            host_.settings().*value = index;
    });
    return group;
}

QGroupBox* TVarnisProcessMain::checkGroup(const char* name, const QString& title, bool AutoProcessSettings::*value)
{
    auto* group = new QGroupBox(title);
    auto* box = new QCheckBox(QStringLiteral("Veikt automātisko datu apmaiņu"), group);
    box->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(8, 2, 8, 4);
    layout->addWidget(box);
    checks_.push_back({box, value});
    connect(box, &QCheckBox::toggled, this, [this, value](bool checked) {
        if (!filling_)
            host_.settings().*value = checked;
    });
    return group;
}

QPushButton* TVarnisProcessMain::hiddenButton(const char* name, const QString& caption, void (ProcessHost::*slot)())
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setVisible(false);
    connect(button, &QPushButton::clicked, this, [this, slot] { (host_.*slot)(); });
    return button;
}

void TVarnisProcessMain::fillControls()
{
    const AutoProcessSettings& s = host_.settings();
    const QScopedValueRollback<bool> filling(filling_, true);
    for (const TextField& f : texts_) {
        const QString& text = s.*f.value;
        switch (f.kind) {
        case TextKind::Plain: f.edit->setText(text); break;
        case TextKind::Period: f.edit->setText(alignHour(text, QLatin1Char(' '))); break;
        case TextKind::Clock: f.edit->setText(alignHour(text, QLatin1Char('0'))); break;
        }
    }
    for (const RadioField& f : radios_)
        f.group->setItemIndex(s.*f.value);
    for (const CheckField& f : checks_)
        f.box->setChecked(s.*f.value);
}

void TVarnisProcessMain::readControls()
{
    AutoProcessSettings& s = host_.settings();
    // The period keeps its blank hour digit, so " 0:10" goes back as it came.
    for (const TextField& f : texts_)
        s.*f.value = f.kind == TextKind::Period ? f.edit->displayText() : f.edit->text();
    for (const RadioField& f : radios_)
        s.*f.value = f.group->itemIndex();
    for (const CheckField& f : checks_)
        s.*f.value = f.box->isChecked();
}

void TVarnisProcessMain::btStartClick()
{
    readControls();
    host_.btStartClick();
}

void TVarnisProcessMain::showLastLine()
{
    QAbstractItemModel* model = lstProcess->model();
    const int rows = model->rowCount();
    if (rows == 0)
        return;
    const QModelIndex last = model->index(rows - 1, 0);
    lstProcess->setCurrentIndex(last);
    lstProcess->scrollTo(last);
}

void TVarnisProcessMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The first show stands for the first activation; it is queued so the window paints
    // before the configuration is applied (that may connect a database or show a box).
    if (!activationQueued_) {
        activationQueued_ = true;
        QTimer::singleShot(0, this, [this] { host_.FormActivate(); });
    }
}
