#include "app/TMainForm.h"

#include "analysis/TFiberAnalyzer.h"
#include "app/EngineTexts.h"
#include "app/Icons.h"
#include "app/TPaintBox.h"
#include "app/UserPreferences.h"
#include "live/TLiveAnalyzer.h"
#include "platform/FormWidgets.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"
#include "platform/TBitmap.h"
#include "records/PendingRecords.h"
#include "records/RecordSender.h"
#include "records/RecordStore.h"
#include "videograbber/TVideoGrabber.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

TMainForm* MainForm = nullptr;
TCriteriaForm* CriteriaForm = nullptr;
TParamSettingForm* ParamSettingForm = nullptr;

namespace
{
constexpr int TopHeight = 41;
constexpr int BottomHeight = 30;
constexpr int RightWidth = 265;
const QColor Navy(0, 0, 128);

// Tahoma where installed; otherwise a narrow sans face, so the texts fit the design sizes.
// Asked of the font database first: fontconfig would answer any unknown name with its default
// face before a list of families got to the second entry.
QString UiFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* name : {"Tahoma", "DejaVu Sans Condensed", "Liberation Sans Narrow"})
            if (installed.contains(QLatin1String(name)))
                return QString::fromLatin1(name);
        return QString();
    }();
    return family;
}

QFont UiFont(int pixelSize, bool bold = false)
{
    QFont font;
    if (!UiFamily().isEmpty())
        font.setFamily(UiFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
// 8 pt and 18 pt at the 96 dpi the layout was drawn for.
constexpr int Px8pt = 11;
constexpr int Px18pt = 24;

QFrame* Panel(QWidget* parent, const char* name, const QColor& colour, int left, int top, int width,
              int height)
{
    auto* p = Make<QFrame>(parent, name, left, top, width, height);
    QPalette pal = p->palette();
    pal.setColor(QPalette::Window, colour);
    p->setPalette(pal);
    p->setAutoFillBackground(true);
    return p;
}

QLabel* CaptionPanel(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
                     int height)
{
    auto* p = Make<QLabel>(parent, name, left, top, width, height);
    p->setText(text);
    p->setAlignment(Qt::AlignCenter);
    p->setAutoFillBackground(true);
    return p;
}

QToolButton* TitleButton(QWidget* parent, const char* name, int left, TIconKind kind)
{
    auto* b = Make<QToolButton>(parent, name, left, 22, 17, 17);
    b->setAutoRaise(true);
    b->setIcon(PaintedIcon(kind));
    b->setIconSize(QSize(10, 10));
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::NoFocus);
    // The white picture stays readable under the mouse: a darker or red ground, never the
    // style's light hover panel.
    b->setStyleSheet(kind == TIconKind::Close
                         ? QStringLiteral("QToolButton { border: none; background: transparent; }"
                                          "QToolButton:hover { background: rgb(200, 30, 30); }"
                                          "QToolButton:pressed { background: rgb(150, 20, 20); }")
                         : QStringLiteral("QToolButton { border: none; background: transparent; }"
                                          "QToolButton:hover { background: rgb(50, 50, 170); }"
                                          "QToolButton:pressed { background: rgb(20, 20, 90); }"));
    return b;
}

QToolButton* PictureButton(QWidget* parent, const char* name, int left, int top, TIconKind icon,
                           const QString& tip)
{
    auto* b = Make<QToolButton>(parent, name, left, top, 41, 42);
    b->setIcon(PaintedIcon(icon));
    b->setIconSize(QSize(28, 28));
    b->setToolTip(tip);
    b->setAutoRaise(true);
    return b;
}
} // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    // 1. The window and its components.
    BuildComponents();
    // 2. The engine with the default acceptance limits.
    Analyzer_ = std::make_unique<TFiberAnalyzer>();
    Analyzer_->SetDefaultCriteria();
    // 3.-5. Folders and the settings file of the start directory.
    StartDir_ = QDir::currentPath();
    ImageFolder_ = StartDir_;
    Analyzer_->LoadSettings(
        QFile::encodeName(QDir(StartDir_).filePath(QStringLiteral("SystemSetting.ini"))).toStdString());
    if (!Analyzer_->ImageFolder.empty())
        ImageFolder_ = QFile::decodeName(QByteArray::fromStdString(Analyzer_->ImageFolder));
    // 6. A hand-edited settings file must not stop the program from starting.
    int captureCount = Analyzer_->CaptureCount;
    if (captureCount > MaxCaptureCount)
    {
        ShowMessageBox(this,
                       tr("The settings file asks for %1 frames per capture; at most %2 are "
                          "possible, so %2 are used.")
                           .arg(captureCount)
                           .arg(MaxCaptureCount),
                       tr("Invalid setting"), QMessageBox::Warning);
        captureCount = MaxCaptureCount;
    }
    captureCount = std::max(captureCount, 1);
    Analyzer_->CaptureCount = captureCount;
    // 7. The device list is read once; discovery works from it.
    QStringList devices = VIDEO->VideoDevices().split(QLatin1Char('\n'));
    if (!devices.isEmpty() && devices.last().isEmpty())
        devices.removeLast();
    LIST->addItems(devices);
    // 8.
    ConnectScope();
    // 9.
    SetupReportGrid();
    // 10.
    if (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier)
    {
        LOADIMAGE->setVisible(true);
        SAVEIMAGE->setVisible(true);
    }
    // 11.
    M_SINGLE->setChecked(true);
    M_SINGLEClick();
    ShowCriteria();
    RestoreProfile();
    LocateByEdge_ = TUserPreferences::LocateByEdge();
    StartPlantSending();
    // 12. The frame store; the cycle starts live, with the cross-hair on.
    AllocateCaptureBuffers(captureCount);
    // 13.
    TITLE->move(8, 8);
    SayIfNetworkFolder();
    if (!TUserPreferences::Refused.isEmpty())
        ShowMessageBox(this, std::exchange(TUserPreferences::Refused, QString()), tr("Preferences"),
                       QMessageBox::Warning);

    FormCreate();
    // Key preview: the window sees every key press before the focused control.
    qApp->installEventFilter(this);
    installEventFilter(this);
    Built_ = true;
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildComponents()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Veltrana Zendrix"));
    setFont(UiFont(Px8pt));
    setMinimumSize(DesignWidth, MinimumHeight);
    resize(DesignWidth, DesignHeight);
    if (QScreen* s = screen())
        move(s->geometry().center() - QPoint(DesignWidth / 2, DesignHeight / 2));

    TOP = Panel(this, "TOP", Navy, 0, 0, DesignWidth, TopHeight);
    TOP->setCursor(Qt::SizeAllCursor);
    TOP->installEventFilter(this);
    TOP->setMouseTracking(true);
    TITLECAPTION = Make<QLabel>(TOP, "TITLECAPTION", 16, 10, 250, 18);
    TITLECAPTION->setFont(UiFont(15));
    SetTitleCaption(tr("Fiber Optic Microscope / Inspector 4.5"));
    TITLECAPTION->setStyleSheet(QStringLiteral("color: white"));
    TITLECAPTION->setCursor(Qt::SizeAllCursor);
    TITLECAPTION->installEventFilter(this);
    SAVEIMAGE = Make<QPushButton>(TOP, "SAVEIMAGE", 309, 13, 25, 17);
    SAVEIMAGE->setText(tr("S"));
    SAVEIMAGE->setVisible(false);
    LOADIMAGE = Make<QPushButton>(TOP, "LOADIMAGE", 340, 13, 25, 17);
    LOADIMAGE->setText(tr("L"));
    LOADIMAGE->setVisible(false);
    BuildRecordControls();
    BuildLiveControls();
    SpeedButton6 = TitleButton(TOP, "SpeedButton6", 845, TIconKind::Minimise);
    SpeedButton4 = TitleButton(TOP, "SpeedButton4", 863, TIconKind::Maximise);
    SpeedButton5 = TitleButton(TOP, "SpeedButton5", 881, TIconKind::Close);

    BOTTOM = Panel(this, "BOTTOM", Navy, 0, DesignHeight - BottomHeight, DesignWidth, BottomHeight);
    CONNECT = Make<QPushButton>(BOTTOM, "CONNECT", 573, 5, 91, 21);
    CONNECT->setText(tr("Connect Scope"));
    TITLE2 = Make<QLabel>(BOTTOM, "TITLE2", 688, 8, 205, 14);
    TITLE2->setText(tr("Inspected by Zendrix of Veltrana"));
    TITLE2->setStyleSheet(QStringLiteral("color: white"));

    LEFT = Panel(this, "LEFT", Qt::black, 0, TopHeight, DesignWidth - RightWidth,
                 DesignHeight - TopHeight - BottomHeight);
    VIDEO = Make<TVideoGrabber>(LEFT, "VIDEO", 0, 0, 640, 480);
    PB = Make<TPaintBox>(LEFT, "PB", 0, 0, 640, 480);
    PB->setVisible(false);
    PB->installEventFilter(this);
    CAUTION = Make<QLabel>(PB, "CAUTION", 8, 440, 624, 32);
    CAUTION->setText(EngineText(UncertainCaution));
    CAUTION->setWordWrap(true);
    CAUTION->setAlignment(Qt::AlignCenter);
    CAUTION->setStyleSheet(
        QStringLiteral("background: #ffd400; color: black; font-weight: bold; padding: 4px;"));
    CAUTION->setVisible(false);
    NOSCOPE = Make<QLabel>(LEFT, "NOSCOPE", 0, 0, 640, 480);
    NOSCOPE->setText(NoScopeText());
    NOSCOPE->setAlignment(Qt::AlignCenter);
    NOSCOPE->setWordWrap(true);
    NOSCOPE->setFont(UiFont(15));
    NOSCOPE->setStyleSheet(QStringLiteral("color: rgb(200, 200, 200); background: transparent"));
    NOSCOPE->setVisible(false);

    RIGHT = Panel(this, "RIGHT", palette().color(QPalette::Window), DesignWidth - RightWidth, TopHeight,
                  RightWidth, DesignHeight - TopHeight - BottomHeight);
    LIST = Make<QListWidget>(RIGHT, "LIST", 0, 0, 10, 10);
    LIST->setVisible(false);
    SIZE = Make<QListWidget>(RIGHT, "SIZE", 0, 0, 10, 10);
    SIZE->setVisible(false);
    CAPTION = Make<QListWidget>(RIGHT, "CAPTION", 0, 0, 10, 10);
    CAPTION->setVisible(false);
    // Zone captions of the two modes; each ends in blanks so the text clears the verdict label.
    // The padding keeps the panels' captions clear of their verdicts; it is no part of the text.
    const QString pad = QStringLiteral("    ");
    CAPTION->addItems({tr("Core Zone (0~25 \u03BCm)") + pad, tr("Cladding Zone (25~120 \u03BCm)") + pad,
                       tr("Core Zone (0~65 \u03BCm)") + pad, tr("Cladding Zone (65~120 \u03BCm)") + pad,
                       QString()});

    AUTOMANUAL = Make<QFrame>(RIGHT, "AUTOMANUAL", 2, 8, 71, 41);
    B_AUTO = Make<QRadioButton>(AUTOMANUAL, "B_AUTO", 6, 3, 62, 17);
    B_AUTO->setText(tr("Auto"));
    B_MANUAL = Make<QRadioButton>(AUTOMANUAL, "B_MANUAL", 6, 25, 62, 17);
    B_MANUAL->setText(tr("Manual"));
    B_MANUAL->setChecked(true);
    SpeedButton1 = PictureButton(RIGHT, "SpeedButton1", 75, 7, TIconKind::Settings, tr("Settings"));
    SpeedButton2 = PictureButton(RIGHT, "SpeedButton2", 122, 8, TIconKind::Save, tr("Save"));
    SpeedButton7 = PictureButton(RIGHT, "SpeedButton7", 169, 7, TIconKind::Open, tr("Load image"));
    SpeedButton3 = PictureButton(RIGHT, "SpeedButton3", 216, 7, TIconKind::Print, tr("Print"));

    TITLE = CaptionPanel(RIGHT, "TITLE", tr("Fiber Optic Analysis Report"), 8, 40, 249, 41);
    TITLE->setFont(UiFont(16, true));
    TITLE->setVisible(false);
    Label1 = Make<QLabel>(RIGHT, "Label1", 8, 56, 80, 14);
    Label1->setText(tr("Serial Number"));
    B_SERIAL = Make<QLineEdit>(RIGHT, "B_SERIAL", 6, 74, 148, 24);
    B_SERIAL->setFont(UiFont(Px8pt, true));
    RESULT = CaptionPanel(RIGHT, "RESULT", QString(), 160, 56, 97, 41);
    RESULT->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    RESULT->setLineWidth(2);
    RESULT->setFont(UiFont(Px18pt, true));
    {
        QPalette pal = RESULT->palette();
        pal.setColor(QPalette::Window, Qt::white);
        RESULT->setPalette(pal);
    }
    Label2 = Make<QLabel>(RIGHT, "Label2", 9, 107, 60, 13);
    Label2->setText(tr("Test Time : "));
    TESTTIME = Make<QLabel>(RIGHT, "TESTTIME", 71, 107, 186, 13);
    TESTTIME->setText(tr("Test time will be displayed here"));

    REPORT = Make<QTableWidget>(RIGHT, "REPORT", 7, 128, 250, 281);
    struct Bar
    {
        QLabel** panel;
        QLabel** verdict;
        const char* panelName;
        const char* verdictName;
        int top;
        QString caption;
    };
    const Bar bars[] = {
        {&Panel3, &R1, "Panel3", "R1", 149, CAPTION->item(0)->text()},
        {&Panel4, &R2, "Panel4", "R2", 209, CAPTION->item(1)->text()},
        {&Panel1, &R4, "Panel1", "R4", 309, tr("Adhesive Zone (120~130 \u03BCm)") + pad + QLatin1Char(' ')},
        {&Panel5, &R3, "Panel5", "R3", 349, tr("Contact Zone (130~250 \u03BCm)") + pad + QLatin1Char(' ')},
    };
    for (const Bar& b : bars)
    {
        *b.panel = CaptionPanel(RIGHT, b.panelName, b.caption, 8, b.top, 248, 19);
        *b.verdict = Make<QLabel>(*b.panel, b.verdictName, 248 - 56, 0, 56, 19);
        (*b.verdict)->setAlignment(Qt::AlignCenter);
        (*b.verdict)->setFont(UiFont(Px8pt, true));
    }

    M_SINGLE = Make<QRadioButton>(RIGHT, "M_SINGLE", 40, 414, 89, 17);
    M_SINGLE->setText(tr("Single Mode"));
    M_SINGLE->setChecked(true);
    M_MULTI = Make<QRadioButton>(RIGHT, "M_MULTI", 152, 414, 81, 17);
    M_MULTI->setText(tr("Multi Mode"));
    // Explicit groups: Qt's automatic exclusivity would also reach into AUTOMANUAL.
    for (auto pair : {std::pair(B_AUTO, B_MANUAL), std::pair(M_SINGLE, M_MULTI)})
    {
        auto* group = new QButtonGroup(this);
        group->addButton(pair.first);
        group->addButton(pair.second);
    }
    BuildConnectorControls();
    CHECK = Make<QPushButton>(RIGHT, "CHECK", 8, 436, 249, 35);
    CHECK->setText(tr("Check"));
    CHECK->setFont(UiFont(Px18pt, true));
    TITLE3 = CaptionPanel(RIGHT, "TITLE3", tr("Inspected by Zendrix of Veltrana"), 8, 453, 249, 25);
    TITLE3->setVisible(false);

    CAPTURETIMER = new QTimer(this);
    CAPTURETIMER->setObjectName(QStringLiteral("CAPTURETIMER"));
    CAPTURETIMER->setInterval(500);
    MSGTIMER = new QTimer(this);
    MSGTIMER->setObjectName(QStringLiteral("MSGTIMER"));
    MSGTIMER->setInterval(3000);

    connect(SpeedButton4, &QToolButton::clicked, this, Guarded([this] { SpeedButton4Click(); }));
    connect(SpeedButton5, &QToolButton::clicked, this, Guarded([this] { SpeedButton5Click(); }));
    connect(SpeedButton6, &QToolButton::clicked, this, Guarded([this] { SpeedButton6Click(); }));
    connect(CONNECT, &QPushButton::clicked, this, Guarded([this] { ConnectScope(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
    connect(SpeedButton7, &QToolButton::clicked, this, Guarded([this] { LOADIMAGEClick(); }));
    connect(LOADIMAGE, &QPushButton::clicked, this, Guarded([this] { LOADIMAGEClick(); }));
    connect(CHECK, &QPushButton::clicked, this, Guarded([this] { CHECKClick(); }));
    connect(SpeedButton2, &QToolButton::clicked, this, Guarded([this] { SpeedButton2Click(); }));
    connect(SpeedButton3, &QToolButton::clicked, this, Guarded([this] { SpeedButton3Click(); }));
    connect(SAVEIMAGE, &QPushButton::clicked, this, Guarded([this] { SAVEIMAGEClick(); }));
    connect(CAPTURETIMER, &QTimer::timeout, this, Guarded([this] { CAPTURETIMERTimer(); }));
    connect(MSGTIMER, &QTimer::timeout, this, Guarded([this] { MSGTIMERTimer(); }));
    connect(M_SINGLE, &QRadioButton::clicked, this, Guarded([this] { M_SINGLEClick(); }));
    connect(M_MULTI, &QRadioButton::clicked, this, Guarded([this] { M_MULTIClick(); }));
    connect(VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, this,
            Guarded([this](TVideoGrabber*, QPainter* dc, qint64, qint64, qint64) {
                VIDEOFrameOverlayUsingDC(dc);
            }));
    connect(
        VIDEO, &TVideoGrabber::OnFrameCaptureCompleted, this,
        Guarded([this](TVideoGrabber*, const TBitmap* bitmap, int, int, qint64, qint64, int, const QString&,
                       bool success, qint64) { VIDEOFrameCaptureCompleted(bitmap, success); }));
    connect(VIDEO, &TVideoGrabber::OnPreviewStarted, this, Guarded([this] { VIDEOPreviewStarted(); }));
    connect(VIDEO, &TVideoGrabber::OnInactive, this, Guarded([this] { VIDEOInactive(); }));
    connect(VIDEO, &TVideoGrabber::OnDeviceArrivalOrRemoval, this,
            Guarded([this](TVideoGrabber*, bool arrival, bool, const QString&, int) {
                VIDEODeviceArrivalOrRemoval(arrival);
            }));
    PB->OnPaint = [this](QPainter* p) { PBPaint(p); };
    PB->OnMouseDown = [this](Qt::MouseButton b, int x, int y) { PBMouseDown(b, x, y); };
    PB->OnMouseMove = [this](int x, int y) { PBMouseMove(x, y); };
    PB->OnMouseUp = [this](Qt::MouseButton b, int x, int y) { PBMouseUp(b, x, y); };
}

// TOP and BOTTOM span the width, RIGHT keeps its width at the right edge, LEFT takes the rest;
// the controls anchored to the right keep their distance from it.
void TMainForm::LayoutPanels()
{
    const int w = width();
    const int h = height();
    const int bodyHeight = std::max(0, h - TopHeight - BottomHeight);
    TOP->setGeometry(0, 0, w, TopHeight);
    BOTTOM->setGeometry(0, h - BottomHeight, w, BottomHeight);
    RIGHT->setGeometry(w - RightWidth, TopHeight, RightWidth, bodyHeight);
    LEFT->setGeometry(0, TopHeight, std::max(0, w - RightWidth), bodyHeight);
    PB->setGeometry(0, 0, LEFT->width(), LEFT->height());
    ShowLocationCaution();
    ShowConnectorControls();
    NOSCOPE->setGeometry(LEFT->rect().adjusted(40, 0, -40, 0));
    const int shift = w - DesignWidth;
    LIVEANALYSIS->setGeometry(622 + shift, 20, 40, 20);
    AUTOCHECK->setGeometry(666 + shift, 20, 100, 20);
    RECORDS->setGeometry(772 + shift, 20, 64, 20);
    RECORDSWAITING->setGeometry(440 + shift, 20, 178, 20);
    PLANTWAITING->setGeometry(236 + shift, 20, 200, 20);
    RECORDSWAITING->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SpeedButton6->move(845 + shift, 22);
    SpeedButton4->move(863 + shift, 22);
    SpeedButton5->move(881 + shift, 22);
    CONNECT->move(573 + shift, 5);
    TITLE2->move(688 + shift, 8);
}

void TMainForm::SetTitleCaption(const QString& text)
{
    TITLECAPTION->setText(text);
    TITLECAPTION->resize(std::max(250, TITLECAPTION->sizeHint().width()), 18);
}

void TMainForm::FormCreate()
{
    ApplyWindowRegion();
}

void TMainForm::FormResize()
{
    ApplyWindowRegion();
}

void TMainForm::FormClose()
{
    // Gone from the screen at once, whatever is still to be stopped after it.
    hide();
    // The capture stops first: a stream that drops or a device that arrives during the
    // destruction must not ask anything any more.
    Closed_ = true;
    VIDEO->StopPreview();
    // Frames still on their way find no store and no analyzer.
    Built_ = false;
    Analyzer_.reset();
    Cycle_.ReleaseCaptureBuffers();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPanels();
    FormResize();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress)
    {
        // A press the focused control ignores travels on to its parents as the same event:
        // handle it where it arrives first, and never consume it.
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool propagated = event == KeyEvent_ && widget && KeyReceiver_ &&
                                KeyReceiver_->isWidgetType() &&
                                widget->isAncestorOf(static_cast<QWidget*>(KeyReceiver_.data()));
        KeyEvent_ = event;
        KeyReceiver_ = watched;
        if (!propagated && widget && widget->window() == this)
        {
            auto* key = static_cast<QKeyEvent*>(event);
            FormKeyDown(key->key(), key->modifiers());
        }
        return false;
    }
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                       type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
    // A press sequence can break without its release: the result view hidden mid-drag, a modal
    // box taking the mouse. The drag ends there, or every later drag would be refused or jump.
    if ((watched == PB && type == QEvent::Hide) || (watched == this && type == QEvent::WindowBlocked))
        MouseDragging_ = false;
    if (mouse && (watched == TOP || watched == TITLECAPTION || watched == PB) &&
        type != QEvent::MouseButtonRelease)
    {
        // A press with no other button held starts a new sequence: a drag still marked is one
        // whose release went elsewhere.
        auto* me = static_cast<QMouseEvent*>(event);
        const bool freshPress = type != QEvent::MouseMove && me->buttons() == me->button();
        if (MouseDragging_ && (freshPress || me->buttons() == Qt::NoButton))
            MouseDragging_ = false;
    }
    // The caption is part of the title bar's drag surface: most of the bar is its text.
    if ((watched == TOP || watched == TITLECAPTION) && mouse)
    {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint global = me->globalPosition().toPoint();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
            TOPMouseDown(global);
        else if (type == QEvent::MouseMove)
            TOPMouseMove(global);
        else
            TOPMouseUp();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
