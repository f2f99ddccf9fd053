#pragma once
// The main window and the hub of the program. Components carry their form names as members and
// as objectName; the member functions live in the window's folders, one file per part:
//   app/       construction, closing and layout (TMainForm.cpp), the borderless chrome
//              (WindowChrome.cpp), the image file commands (ImageFileCommands.cpp), report
//              composition and printing (ReportPrinting.cpp), the records (RecordCommands.cpp),
//              the acceptance profiles (ProfileCommands.cpp), the live assistant (LiveCommands.cpp)
//   capture/   scope discovery, the live overlay, the inspection run and the parameter dialog's
//              side of the window; the Check cycle's state is TCheckCycle, a class without widgets
//   criteria/  the report grid, the verdicts and the result view
// Each part keeps its state private, in its own section below; the dialogs change the window
// through ApplySettings, SetCriteria and SetProfile. No decision reads a caption: the Check
// cycle's state and the verdict shown are the cycle's.

#include "analysis/TPoint2D.h"
#include "capture/TCheckCycle.h"
#include "ferrule/FibreJudgement.h"
#include "profiles/CriteriaProfile.h"
#include "profiles/FiberLocation.h"
#include "profiles/ProfileEvaluation.h"

#include <QColor>
#include <QCoreApplication>
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
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QDateTime;
class QDialog;
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
class QSpinBox;
class QTableWidget;
class QTimer;
class QToolButton;
class TBitmap;
class TAutoCheckTrigger;
class TFiberAnalyzer;
class TFibreStrip;
class TLiveAnalyzer;
struct TLiveResult;
class TPaintBox;
struct TParamValues;
struct TInspectionRecord;
class TPendingRecords;
class TRecordSender;
class TRecordStore;
class TVideoGrabber;

class TMainForm : public QWidget
{
    Q_DECLARE_TR_FUNCTIONS(TMainForm)

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
    QLabel* NOSCOPE = nullptr; // the hint on the black video area while no source runs
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
    QLabel* CAUTION = nullptr; // over the result view's top: the fiber's edge lies elsewhere
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

    // In the title bar: the records menu (the PDF report and two options, per-user preferences)
    // and the live assistant's switches (F2, F3).
    QToolButton* RECORDS = nullptr;
    QAction* PDFREPORT = nullptr;
    QAction* BROWSERECORDS = nullptr;
    QAction* SAVEFAILED = nullptr;
    QAction* AUTOPDF = nullptr;
    QLabel* RECORDSWAITING = nullptr; // "Inspection not logged yet"
    QLabel* PLANTWAITING = nullptr;   // "Plant database: N records waiting"
    QTimer* RECORDTIMER = nullptr;    // retries records kept for their log, while there are any
    QToolButton* LIVEANALYSIS = nullptr;
    QToolButton* AUTOCHECK = nullptr;

    // A multi-fibre connector: the strip of its fibres over the picture's foot, and in place of
    // the fiber mode (which its profile fixes) the first fibre in view and a new connector.
    TFibreStrip* FIBRES = nullptr;
    QLabel* FIRSTFIBRELABEL = nullptr;
    QSpinBox* FIRSTFIBRE = nullptr;
    QPushButton* NEWCONNECTOR = nullptr;
    QDialog* FIBREVIEW = nullptr; // one fibre's zones enlarged; made on first use

    // What the tests and the dialogs may read.
    TFiberAnalyzer* Analyzer() const { return Analyzer_.get(); }
    const TCheckCycle& Cycle() const { return Cycle_; }
    const QString& StartDir() const { return StartDir_; }
    const QString& ImageFolder() const { return ImageFolder_; }

    // Operations of the dialogs: the parameter dialog's values (thresholds, frames, folder, the
    // WiFi scope) applied and saved; the criteria dialog's limits (IEC defaults, or the user's)
    // and its profile.
    void ApplySettings(const TParamValues& values);
    void SetImageFolder(const QString& folder);
    void SetCriteria(bool iecDefaults, const float single[8], const float multi[8][2]);
    const TCriteriaProfile& Profile() const { return Profile_; }
    void SetProfile(const TCriteriaProfile& profile);

    // ---- Application shell (app/TMainForm.cpp).
    void FormCreate();
    void FormClose();
    void FormResize();
    // The caption label sizes itself to its text, so the longer titles are not cut.
    void SetTitleCaption(const QString& text);

    // ---- Chrome (app/WindowChrome.cpp).
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
    bool Maximized() const { return Maximized_; }
    // A drag of the title bar or the result view is under way (one flag for both, as a press
    // reaches only one of them).
    bool MouseDragging() const { return MouseDragging_; }

    // ---- Scope discovery and live preview (capture/ScopeDiscovery.cpp).
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
    // The hint on the video area follows whether a source runs in the live view.
    void ShowScopeHint();
    // The source's picture: VideoWidth x VideoHeight as it arrives, FrameWidth x FrameHeight as
    // shown and analysed (a 720-wide source is shown 640 wide).
    struct TScopePicture
    {
        bool WiFiMode = false;
        int FrameWidth = 0;
        int FrameHeight = 0;
        int VideoWidth = 0;
        int VideoHeight = 0;
    };
    const TScopePicture& Scope() const { return Scope_; }

    // ---- Live overlay (capture/LiveOverlay.cpp).
    void VIDEOFrameOverlayUsingDC(QPainter* Dc);
    // The message on the live picture ("Image Saved : ..."), until MSGTIMER removes it.
    void ShowOverlayMessage(const QString& text);
    bool OverlayMessageOn() const { return OverlayMessageOn_; }
    const QString& OverlayMessage() const { return OverlayMessage_; }

    // ---- Inspection run (capture/InspectionRun.cpp): the window's side of the Check cycle.
    void CHECKClick();
    // Check and Ctrl+A in the live view with no source: says so and starts nothing (true).
    bool SayIfNoScope();
    static QString NoScopeText();
    void CheckOrResume();
    void ResumeLive();
    bool ValidateSerial();
    void AdvanceSerial();
    void VIDEOFrameCaptureCompleted(const TBitmap* FrameBitmap, bool Success);
    void CAPTURETIMERTimer();
    void MSGTIMERTimer();
    void AllocateCaptureBuffers(int count);
    void AnalyseFrame(const TBitmap& bitmap);
    void RunAnalysis();
    // Returns the path written.
    QString AutoSaveFrame(TBitmap& bitmap);
    void SaveAnnotatedImage(const std::string& path, TBitmap& bitmap);
    static constexpr int MaxCaptureCount = TCheckCycle::MaxCaptureCount;
    // Whether a serial number can name a file in the image folder: no path separators and no
    // control characters.
    static bool SerialIsFileName(const QString& serial);

    // ---- Report grid and verdicts (criteria/ReportGrid.cpp).
    static QString LimitText(int limit);
    // The test time: the locale's short date and its long time without the zone name.
    static QString TestTimeText(const QLocale& locale, const QDateTime& when);
    void SetupReportGrid();
    void ShowCriteria();
    void ShowResult();
    void M_SINGLEClick();
    void M_MULTIClick();
    // The last result's panel faded (live video) or whole (a result shown).
    void DimLastResult(bool dim);
    // Single Mode 0, Multi Mode 1: the criteria shown, and a result on screen judged again.
    void SetFiberMode(int mode);

    // ---- Result view (criteria/ResultView.cpp).
    void PBPaint(QPainter* canvas);
    void PBMouseDown(Qt::MouseButton button, int X, int Y);
    void PBMouseMove(int X, int Y);
    void PBMouseUp(Qt::MouseButton button, int X, int Y);
    bool ScaleDragging() const { return ScaleDragging_; }
    // A line on the result view saying what was saved for it, until the next result or Resume.
    void ShowResultMessage(const QString& text);
    const QStringList& ResultMessages() const { return ResultMessages_; }
    // Where the fiber of the result shown was found, and by which circle it was judged.
    const TFiberLocation& Location() const { return Location_; }
    // The circle a new analysis judges with: the profile's, and the user's choice for the
    // classic profile.
    TLocateMethod JudgingMethod() const { return MethodFor(Profile_, LocateByEdge_); }
    bool LocateByEdge() const { return LocateByEdge_; }
    // The user's choice: the classic profile judges by the fiber's edge. A result on screen is
    // judged again.
    void SetLocateByEdge(bool on);

    // ---- Parameter dialog (capture/TParamSettingForm.cpp).
    void SpeedButton1Click();

    // ---- Image file commands (app/ImageFileCommands.cpp).
    void LOADIMAGEClick();
    // The open dialog's columns all readable: the name takes what the others leave.
    void FitOpenDialogColumns();
    void OpenImageFile(const std::string& path);
    void SpeedButton2Click();
    void FormKeyDown(int Key, Qt::KeyboardModifiers Shift);
    void SAVEIMAGEClick();
    // The dated, numbered report name: date text with path separators replaced, "_%04d.bmp".
    static QString DatedReportName(const QString& folder, const QString& dateText);

    // ---- Traceability (app/RecordCommands.cpp): the inspection log, the pictures of failed
    // inspections, the PDF report.
    void BuildRecordControls();
    void PDFREPORTClick();
    // The results browser over the station's store or the plant database.
    void BROWSERECORDSClick();
    void WritePdfReportTo(const QString& path);
    // The working image with its zone circles at the image's own size.
    QImage AnalysedImage() const;
    // The record of the inspection shown: its serial number, time, source and verdict; for a
    // multi-fibre connector the connector's, fibre by fibre.
    TInspectionRecord ShownRecord() const;
    TInspectionRecord ConnectorRecord() const;
    // Appends the inspection shown to the log of the image folder, with the files saved for
    // this judgement; a failure is shown to the operator and changes nothing else.
    void LogInspection(const QStringList& files);
    // Records kept because their log could not be had: retried by RECORDTIMER, shown in the title bar.
    void FlushPendingRecords();
    void ShowPendingRecords();
    // The inspection shown into the station's record store (and its outbox, with a plant
    // database configured); a store that cannot be used is said once and the log still holds it.
    void KeepInStore(const TInspectionRecord& record);
    // Takes the record options of the user's preferences and (re)starts sending to the plant
    // database they name, or stops it.
    void StartPlantSending();
    void ShowPlantWaiting(qint64 count, const QString& problem);
    // How many records wait for the plant database; -1 before the sender has said.
    qint64 PlantWaiting() const { return PlantWaiting_; }
    // Saves the report picture (and a captured frame) of a failed inspection; returns the paths.
    QStringList SaveFailedInspection(const QString& serial);

    // ---- Live assistant (app/LiveCommands.cpp): while on, every live frame is analysed on a
    // worker thread with an analyzer of its own, and the overlay shows the zones, the verdict it
    // would give and a focus bar; the automatic Check starts the Check cycle at the sharpest
    // steady picture.
    void BuildLiveControls();
    void LIVEANALYSISClick();
    void AUTOCHECKClick();
    void OfferLiveFrame(QPainter* Dc);
    void LiveResultReady(const TLiveResult& result);
    void DrawLiveOverlay(QPainter* Dc);
    // The newest live result.
    const TLiveResult& LiveResult() const { return *LiveResult_; }
    TLiveAnalyzer* LiveAnalyzer() const { return LiveAnalyzer_; }

    // ---- Acceptance profiles (app/ProfileCommands.cpp): the classic profile is the engine's own
    // evaluation and the grid of the described layout; a true-size profile fixes the fiber mode,
    // relays the grid out as its zones and rows, and gives the verdict. The choice is made in the
    // criteria dialog and remembered per user.
    // The profile chosen last, at start; one no longer there is said, and classic applies.
    void RestoreProfile();
    // The profiles the user can choose: the built-in ones, then the plant's own files in
    // ProfileFolder() (*.profile), in name order; problems holds a line for each file refused.
    static std::vector<TCriteriaProfile> AvailableProfiles(QStringList* problems = nullptr);
    static QString ProfileFolder();
    // The last true-size result, for the records; empty for the classic profile.
    const TProfileResult& ProfileResult() const { return ProfileResult_; }
    // The result the records hold: the true-size one shown, or the classic one measured now.
    TProfileResult RecordedProfileResult(bool pass) const;
    // The grid of the classic layout, and of a true-size profile.
    void LayoutClassicGrid();
    // Empties the grid into rows of the height that fits them (scrolling beyond).
    void ClearReportRows(int rows);
    void LayoutProfileGrid();
    void ShowProfileCriteria();
    bool ShowProfileResult();
    // The working image with the zones of the profile in use, as shown, saved and reported.
    void DrawAnalysis(QPainter* canvas, int width, int height, const QRect& rect) const;

    // ---- Multi-fibre connectors (capture/ConnectorRun.cpp, criteria/ConnectorResult.cpp): with a
    // profile of a multi-fibre layout a Check judges every whole fibre of the picture, panning on
    // from the last view; the cycle's connector holds the verdicts, and the connector's verdict,
    // record and report come once every fibre is judged.
    void BuildConnectorControls();
    // The controls, the strip and the fiber mode as the profile's layout asks.
    void ShowConnectorControls();
    void NEWCONNECTORClick();
    void FIRSTFIBREChange(int number);
    void FIBRESClick(int number);
    // How a view's fibres are located and judged; tests give views of their own.
    using TFibreCheck =
        std::function<TMtCheck(TFiberAnalyzer&, const TCriteriaProfile&, int firstFibre, TFibreRowScratch&)>;
    void SetFibreCheck(TFibreCheck check) { FibreCheck_ = std::move(check); }
    // The result on screen is a view of the connector.
    bool ConnectorShown() const;
    // Why the connector on screen has no verdict: how far it is, or what the view lacks.
    QString ConnectorNoVerdictReason() const;
    void LayoutConnectorGrid();
    void ShowConnectorGrid();
    void ShowConnectorResult();
    void DrawConnectorOverlay(QPainter* canvas, int width, int height, const QRect& rect) const;
    // One fibre's picture at its last judgement, with its zones, enlarged in FIBREVIEW.
    void ShowFibre(int number);
    static QImage FibreZoneImage(const TConnectorCycle::Crop& crop, const TCriteriaProfile& profile,
                                 int side);

    // ---- Report composition and printing (app/ReportPrinting.cpp).
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
    // ---- Application shell.
    void BuildComponents();
    void LayoutPanels();
    std::unique_ptr<TFiberAnalyzer> Analyzer_; // the one engine of the run
    QString StartDir_;                         // where SystemSetting.ini is
    QString ImageFolder_;                      // where images and records go
    QStringList NetworkFoldersSaid_;           // image folders on a network file system, said once
    void SayIfNetworkFolder();
    bool Built_ = false;  // construction finished: frames may be handled
    bool Closed_ = false; // the window closed: the capture events are ignored
    // The key event being delivered and the widget it reached last, so that a press travelling
    // up to the parents is handled once.
    const QEvent* KeyEvent_ = nullptr;
    QPointer<QObject> KeyReceiver_;

    // ---- Chrome.
    bool MouseDragging_ = false;
    QPoint DragOrigin_;
    bool Maximized_ = false;
    QRect RestoreGeometry_; // the bounds to return to from the maximised window

    // ---- Scope discovery.
    void ConnectScopeOnce();
    TScopePicture Scope_;
    bool ConnectingScope_ = false; // ConnectScope runs (and may be waiting for an answer)
    bool ConnectAgain_ = false;    // it was called again meanwhile
    QString WiFiStopReason_;       // why the WiFi stream stopped, for the next question

    // ---- Live overlay. The cross-hair's dots for the current video size and the message's
    // layout are kept, so that drawing a frame allocates nothing.
    bool OverlayMessageOn_ = false;
    QString OverlayMessage_;
    std::vector<QPoint> CrossHairDots_;
    QSize CrossHairSize_;
    QStaticText OverlayText_;
    QFont OverlayTextFont_;
    void DrawCaptureProgress(QPainter* canvas);
    QStaticText CaptureProgress_; // "Capturing 12 / 30"
    int CaptureProgressSaid_ = -1;

    // ---- Inspection run.
    TCheckCycle Cycle_;
    bool InPrintDialog_ = false; // frames arriving while the print dialog is open are dropped
    // The inspection source of the scope in use, for the record.
    QString ScopeSource() const;
    // What the end of a sequence does, by the step the cycle names.
    void SaveCombinedFrame();
    void PrintCombinedFrame();
    void AnalyseCombinedFrame();
    // Saves the report (and its PDF) under the inspection's serial number, beside any earlier
    // files of that number; returns the paths written.
    QStringList FileUnderSerial(bool rejudged);
    // What a judgement leaves: the report under the serial (a pass in automatic mode) or the
    // pictures of a failure, then the record with every file written.
    void FileAndLog(QStringList files);
    // A Check's view of a multi-fibre connector: located, numbered and judged by FibreCheck_.
    void RunConnectorAnalysis();
    void TakeConnectorView(const TMtCheck& check);
    TFibreCheck FibreCheck_ = CheckFibres;
    TFibreRowScratch FibreScratch_;

    // ---- Result view.
    // Judges the face on screen again without locating it anew: after a manual correction, and
    // with other limits or another profile.
    void Rejudge();
    // A re-judged result is a record of its own, and its report is filed beside the first.
    void RecordRejudgement();
    // The result view without a verdict: the verdict panel and grid say so, the picture why.
    void ShowNoVerdict();
    void ShowLocationCaution();
    // A report of the result shown is refused, and the operator told why, when it has no
    // verdict: it would read as a certificate of nothing. True when refused.
    bool SayNoVerdict();
    QStringList ResultMessages_;
    TFiberLocation Location_;
    TEdgeLocatorScratch EdgeScratch_;
    bool LocateByEdge_ = false;
    bool ScaleDragging_ = false;
    TPoint2D LastMousePoint_;

    // ---- Live assistant.
    void BuildLiveDrawing(const QSize& frame);
    TLiveAnalyzer* LiveAnalyzer_ = nullptr;
    std::unique_ptr<TLiveResult> LiveResult_;
    std::unique_ptr<TAutoCheckTrigger> AutoCheckTrigger_; // also keeps the focus peak of the bar
    bool AutoCheckStarted_ = false; // the result on screen came from the automatic Check
    // The serial number the automatic Check was refused for: it waits until the field changes.
    std::optional<QString> AutoCheckRefused_;
    int FramesWithoutFiber_ = 0; // while that result is on screen
    qint64 LiveFrameNumber_ = 0;
    // What the live overlay draws, built when a result arrives so drawing a frame allocates
    // nothing: circle dots per colour, the verdict and the badge drawn once as images (with the
    // width of their text), the frame size they were built for.
    std::vector<QPoint> LiveDots_[3];
    std::pair<int, int> LiveFibresSaid_; // the first and last whole fibre the live text named
    QImage LiveVerdict_;
    int LiveVerdictWidth_ = 0;
    std::array<int, 11> LiveVerdictSaid_{-1};
    QSize LiveDotsSize_;
    QImage LiveBadge_;
    int LiveBadgeWidth_ = 0;
    int LiveBadgeSaid_ = -1;            // 1 with the automatic Check on
    std::vector<float> LiveZoneBounds_; // the profile's zone boundaries (um), for its circles

    // ---- Acceptance profiles.
    TCriteriaProfile Profile_ = ClassicProfile();
    std::shared_ptr<const TCriteriaProfile> LiveProfile_; // null for the classic profile
    TProfileResult ProfileResult_;

    // ---- Records.
    TPendingRecords& Pending();
    std::unique_ptr<TPendingRecords> Pending_;
    std::unique_ptr<TRecordStore> Store_;
    std::unique_ptr<TRecordSender> Sender_;
    bool StoreProblemSaid_ = false;
    QString RecordStation_;
    bool KeepReportPictures_ = true;
    qint64 PlantWaiting_ = -1;

    // ---- Printing.
    std::unique_ptr<QPrinter> Printer_;
    bool InReportLayout_ = false; // the window is being grabbed for the report picture
};

// The application-wide forms, created by the program entry in this order.
class TCriteriaForm;
class TParamSettingForm;
extern TMainForm* MainForm;
extern TCriteriaForm* CriteriaForm;
extern TParamSettingForm* ParamSettingForm;
