#pragma once
// The main window and the hub of the program. Components carry their form names as members and
// as objectName; the member functions live in the folder of the subsystem they belong to:
//   app/       construction, closing, layout and the borderless chrome
//   capture/   scope discovery, the live overlay and the inspection run
//   criteria/  the report grid, the verdicts and the result view
//   imaging/   the image file commands

#include "analysis/TPoint2D.h"
#include "profiles/CriteriaProfile.h"
#include "profiles/ProfileEvaluation.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QStaticText>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QDateTime;
class QLocale;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QPrinter;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;
class QToolButton;
class TBitmap;
class TAutoCheckTrigger;
class TFiberAnalyzer;
class TLiveAnalyzer;
struct TLiveResult;
class TPaintBox;
class TVideoGrabber;

class TMainForm : public QWidget
{
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Design size and the fixed parts of the layout.
    static constexpr int DesignWidth = 905;
    static constexpr int DesignHeight = 551;
    static constexpr int MinimumHeight = 526;

    // The WiFi scope on its own network. A test may point it at a loopback server before it
    // builds a window; the program itself never changes it.
    static inline QString WiFiScopeURL = QStringLiteral("http://192.168.1.1:8196");

    // Components.
    QFrame* TOP = nullptr;
    QLabel* TITLECAPTION = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QPushButton* SAVEIMAGE = nullptr;
    QPushButton* LOADIMAGE = nullptr;
    QFrame* BOTTOM = nullptr;
    QLabel* TITLE2 = nullptr;
    QPushButton* CONNECT = nullptr;
    QFrame* LEFT = nullptr;
    TVideoGrabber* VIDEO = nullptr;
    TPaintBox* PB = nullptr;
    QListWidget* LIST = nullptr;
    QListWidget* SIZE = nullptr;
    QListWidget* CAPTION = nullptr;
    QFrame* RIGHT = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QFrame* AUTOMANUAL = nullptr;
    QRadioButton* B_AUTO = nullptr;
    QRadioButton* B_MANUAL = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* B_SERIAL = nullptr;
    QLabel* RESULT = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* TESTTIME = nullptr;
    QTableWidget* REPORT = nullptr;
    QLabel* Panel3 = nullptr;
    QLabel* Panel4 = nullptr;
    QLabel* Panel1 = nullptr;
    QLabel* Panel5 = nullptr;
    QLabel* R1 = nullptr;
    QLabel* R2 = nullptr;
    QLabel* R3 = nullptr;
    QLabel* R4 = nullptr;
    QRadioButton* M_SINGLE = nullptr;
    QRadioButton* M_MULTI = nullptr;
    QPushButton* CHECK = nullptr;
    QLabel* TITLE = nullptr;
    QLabel* TITLE3 = nullptr;
    QFileDialog* OD = nullptr; // made on first use
    QFileDialog* SD = nullptr; // made on first use
    QTimer* CAPTURETIMER = nullptr;
    QTimer* MSGTIMER = nullptr;

    // Private state of the window, in declaration order. Public, as the dialogs and the tests
    // read and write it directly.
    QPainter* OverlayCanvas = nullptr; // the frame's painter during an overlay event; owned by VIDEO
    bool CaptureRequested = false;
    std::unique_ptr<TFiberAnalyzer> Analyzer;
    QString StartDir;
    bool MouseDragging = false;
    bool ScaleDragging = false;
    TPoint2D LastMousePoint;
    bool SequenceActive = false;
    bool OverlayStartedCapture = false;
    bool CrossHairOn = false;
    bool SaveRawOnCheck = false;
    int FramesCaptured = 0;
    std::vector<TBitmap> CaptureBuffers;
    int CaptureCount = 0;
    int CapturePurpose = 0;
    QPoint DragOrigin;
    bool Maximized = false;
    int RestoreLeft = 0;
    int RestoreTop = 0;
    int RestoreWidth = 0;
    int RestoreHeight = 0;
    int FrameWidth = 0;
    int FrameHeight = 0;
    int VideoWidth = 0;
    int VideoHeight = 0;
    QString ImageFolder;
    bool SaveResultPending = false;
    bool OverlayMessageOn = false;
    QString OverlayMessage;
    bool WiFiMode = false;

    // Application shell (app/TMainForm.cpp).
    void FormCreate();
    void FormClose();
    void FormResize();

    // Chrome (app/WindowChrome.cpp).
    void ApplyWindowRegion();
    static QRegion WindowOutline(int width, int height);
    // The program's own maximised bounds inside the screen's available area: the largest window
    // whose video area keeps 4:3, centred.
    static QRect MaximisedBounds(const QRect& available, int frameHeight, int rightWidth);
    // Whether title-bar drags are handed to the window system (startSystemMove).
    static bool UsesSystemMove(const QString& platformName);
    void TOPMouseDown(const QPoint& globalPos);
    void TOPMouseMove(const QPoint& globalPos);
    void TOPMouseUp();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();

    // The caption label sizes itself to its text, so the longer titles are not cut.
    void SetTitleCaption(const QString& text);

    // Scope discovery and live preview (capture/ScopeDiscovery.cpp).
    void ConnectScope();
    void FitVideoToSource();
    // warnIfSmall: show the caution for a picture below 640 x 480.
    void FitVideoWindow(double width, double height, bool warnIfSmall = true);
    void VIDEOPreviewStarted();
    void VIDEOInactive();
    void VIDEODeviceArrivalOrRemoval(bool isDeviceArrival);
    // Which LIST entry is the scope (-1: none) and which size entry to take.
    static int ChooseScopeDevice(const QStringList& devices, const QString& preferredName);
    static int ChooseVideoSize(const QStringList& sizes);

    // Live overlay (capture/LiveOverlay.cpp).
    void VIDEOFrameOverlayUsingDC(QPainter* Dc);

    // Inspection run (capture/InspectionRun.cpp).
    void CHECKClick();
    void CheckOrResume();
    void ResumeLive();
    bool ValidateSerial();
    void AdvanceSerial();
    void VIDEOFrameCaptureCompleted(const TBitmap* FrameBitmap, bool Success);
    void CAPTURETIMERTimer();
    void MSGTIMERTimer();
    void AllocateCaptureBuffers(int count);
    void CombineFrames();
    void AnalyseFrame(const TBitmap& bitmap);
    void RunAnalysis();
    // Returns the path written.
    QString AutoSaveFrame(TBitmap& bitmap);
    void SaveAnnotatedImage(const std::string& path, TBitmap& bitmap);
    // The largest number of frames one Check may combine; a larger count from a hand-edited
    // settings file is refused at start.
    static constexpr int MaxCaptureCount = 100;
    // Whether a serial number can name a file in the image folder: no path separators and no
    // control characters.
    static bool SerialIsFileName(const QString& serial);
    // The first name of the form stem + ".bmp", stem + "-2.bmp", ... that no file in folder has.
    static QString FreeTimeStampPath(const QString& folder, const QString& stem);

    // Report grid and verdicts (criteria/ReportGrid.cpp).
    static QString LimitText(int limit);
    // The test time: the locale's short date and its long time without the zone name.
    static QString TestTimeText(const QLocale& locale, const QDateTime& when);
    void SetupReportGrid();
    void ShowCriteria();
    void ShowResult();
    void M_SINGLEClick();
    void M_MULTIClick();

    // Result view (criteria/ResultView.cpp).
    void PBPaint(QPainter* canvas);
    void PBMouseDown(Qt::MouseButton button, int X, int Y);
    void PBMouseMove(int X, int Y);
    void PBMouseUp(Qt::MouseButton button, int X, int Y);

    // Parameter dialog (capture/TParamSettingForm.cpp).
    void SpeedButton1Click();

    // Image file commands (imaging/ImageFileCommands.cpp).
    void LOADIMAGEClick();
    void OpenImageFile(const std::string& path);
    void SpeedButton2Click();
    void FormKeyDown(int Key, Qt::KeyboardModifiers Shift);
    void SAVEIMAGEClick();
    // The dated, numbered report name: date text with path separators replaced, "_%04d.bmp".
    static QString DatedReportName(const QString& folder, const QString& dateText);

    // Traceability (records/RecordCommands.cpp): the inspection log, the pictures of failed
    // inspections, the PDF report. RECORDS sits in the title bar; its menu holds the command and
    // the two options, which are per-user preferences.
    QToolButton* RECORDS = nullptr;
    QAction* PDFREPORT = nullptr;
    QAction* SAVEFAILED = nullptr;
    QAction* AUTOPDF = nullptr;
    void BuildRecordControls();
    void PDFREPORTClick();
    void WritePdfReportTo(const QString& path);
    // The working image with its zone circles at the image's own size.
    QImage AnalysedImage() const;
    // Appends the inspection just shown to the log of the image folder; a failure is shown to
    // the operator and changes nothing else.
    void LogInspection(const QString& serial, const QStringList& files);
    // Saves the report picture (and a captured frame) of a failed inspection; returns the paths.
    QStringList SaveFailedInspection(const QString& serial);
    // Where the inspection being analysed came from, for its record.
    QString InspectionSource;
    int InspectionFrames = 0;
    QStringList InspectionFiles; // saved before the analysis (the raw frame of a Ctrl+Check)

    // Live assistant (live/LiveCommands.cpp): while on, every live frame is analysed on a worker
    // thread with an analyzer of its own, and the overlay shows the zones, the verdict it would
    // give and a focus bar; the automatic Check starts the Check cycle at the sharpest steady
    // picture. LIVEANALYSIS (F2) and AUTOCHECK (F3) sit in the title bar.
    QToolButton* LIVEANALYSIS = nullptr;
    QToolButton* AUTOCHECK = nullptr;
    TLiveAnalyzer* LiveAnalyzer = nullptr;
    void BuildLiveControls();
    void LIVEANALYSISClick();
    void AUTOCHECKClick();
    void OfferLiveFrame(QPainter* Dc);
    void LiveResultReady(const TLiveResult& result);
    void DrawLiveOverlay(QPainter* Dc);
    // The newest live result and what the overlay draws of it, in frame pixels.
    std::unique_ptr<TLiveResult> LiveResult;
    std::unique_ptr<TAutoCheckTrigger> AutoCheckTrigger;
    bool AutoCheckStarted = false; // the result on screen came from the automatic Check
    int FramesWithoutFiber = 0;    // while that result is on screen
    float LivePeakFocus = 0.0f;    // the best focus since the fiber came into view

    // Acceptance profiles (profiles/ProfileCommands.cpp): the classic profile is the engine's own
    // evaluation and the grid of the described layout; a true-size profile fixes the fiber
    // mode, relays the grid out as its zones and rows, and gives the verdict. The choice is made
    // in the criteria dialog and remembered per user.
    const TCriteriaProfile& Profile() const { return Profile_; }
    void SetProfile(const TCriteriaProfile& profile);
    // The profile chosen last, at start; one no longer there is said, and classic applies.
    void RestoreProfile();
    // The profiles the user can choose: the built-in ones, then the plant's own files in
    // ProfileFolder() (*.profile), in name order; problems holds a line for each file refused.
    static std::vector<TCriteriaProfile> AvailableProfiles(QStringList* problems = nullptr);
    static QString ProfileFolder();
    // The last true-size result, for the records; empty for the classic profile.
    TProfileResult ProfileResult;
    // The result the records hold: the true-size one shown, or the classic one measured now.
    TProfileResult RecordedProfileResult(bool pass) const;
    // The grid of the classic layout, and of a true-size profile.
    void LayoutClassicGrid();
    void LayoutProfileGrid();
    void ShowProfileCriteria();
    bool ShowProfileResult();
    // The working image with the zones of the profile in use, as shown, saved and reported.
    void DrawAnalysis(QPainter* canvas, int width, int height, const QRect& rect) const;

    // Report composition and printing (imaging/ReportPrinting.cpp).
    void EnterReportLayout();
    void LeaveReportLayout();
    void CropToReportArea(TBitmap* image);
    void SaveReportImage(const std::string& path);
    void SpeedButton3Click();
    void PrintBitmap(TBitmap* bitmap);
    // The report image as it would be saved or printed, with the layout restored afterwards.
    TBitmap ComposeReportImage();
    // The printer the print dialog chose; tests point it at a PDF file.
    QPrinter* Printer();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildComponents();
    void LayoutPanels();

    void ConnectScopeOnce();

    bool ConnectingScope_ = false; // ConnectScope runs (and may be waiting for an answer)
    bool ConnectAgain_ = false;    // it was called again meanwhile
    bool Closed_ = false;          // the window closed: the capture events are ignored
    QString WiFiStopReason_;       // why the WiFi stream stopped, for the next question
    bool Built_ = false;           // construction finished: frames may be handled
    bool InPrintDialog_ = false;   // frames arriving while the print dialog is open are dropped
    std::unique_ptr<QPrinter> Printer_;
    // The key event being delivered and the widget it reached last, so that a press travelling
    // up to the parents is handled once.
    const QEvent* KeyEvent_ = nullptr;
    QPointer<QObject> KeyReceiver_;
    qint64 LiveFrameNumber_ = 0;
    // What the live overlay draws, built when a result arrives so drawing a frame allocates
    // nothing: circle dots per colour, the verdict text, the frame size they were built for.
    std::vector<QPoint> LiveDots_[3];
    QStaticText LiveVerdict_;
    std::array<int, 9> LiveVerdictSaid_{-1};
    QColor LiveVerdictColour_;
    QSize LiveDotsSize_;
    QStaticText LiveBadge_;
    void BuildLiveDrawing(const QSize& frame);
    // The cross-hair's dots for the current video size, built when the size changes so that
    // drawing a frame allocates nothing.
    std::vector<QPoint> CrossHairDots_;
    QSize CrossHairSize_;
    QStaticText OverlayText_;
    QFont OverlayTextFont_;
    TCriteriaProfile Profile_ = ClassicProfile();
    std::shared_ptr<const TCriteriaProfile> LiveProfile_; // null for the classic profile
};

// The application-wide forms, created by the program entry in this order.
class TCriteriaForm;
class TParamSettingForm;
extern TMainForm* MainForm;
extern TCriteriaForm* CriteriaForm;
extern TParamSettingForm* ParamSettingForm;
