<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>EngineText</name>
    <message>
        <source>Pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No fiber</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not in view</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fiber edge uncertain: centre the fiber, or drag the zones onto it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fiber not wholly in view: centre it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No fiber: the picture is too small to hold one</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No fiber: nothing in the picture has an edge (scope capped, or far out of focus?)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No fiber: the round edge in view is not a whole cladding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No fiber: no cladding edge in the picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Station (classic)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Single mode PC (UPC)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Single mode APC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multimode PC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MT single mode APC (12 fibres)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MT multimode PC (12 fibres)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not judged</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PdfReport</name>
    <message>
        <source>Single Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multi Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>from the edge points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>by the cladding&apos;s edge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>placed by the operator</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 fibres in %2 %3 (%4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>row</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>rows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>fibre %1 (the last judgement holds)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>fibres %1 (the last judgement holds)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (limit %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zone %1 counts: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibre</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zone %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Judged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>once</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 times (again)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Findings (µm): %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fiber end-face inspection report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the PDF report could not be started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(none)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fiber mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Criteria</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scale</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 µm per pixel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(fiber not located)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frames combined</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(image file)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fiber location</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Judged again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ferrule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibres judged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fiber end-face inspection station, version %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the PDF report could not be finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zone and class</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Limit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Count</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Core zone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cladding zone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adhesive zone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Contact zone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scratches and defects</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thresholds: lower %1, upper %2, core/cladding %3, contact %4; defect share %5 %, %6 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Centre %1, %2 px; zone radii %3 px</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saved: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StartOptions</name>
    <message>
        <source>Cannot create the folder %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write in the folder %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot change to the folder %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TConnectorCycle</name>
    <message>
        <source>No fiber</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overview: certifies nothing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not in view: no fibre wholly seen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibres outside the connector: check First fibre</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibre %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibres %1–%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> judged: %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TCriteriaForm</name>
    <message>
        <source>Acceptance Criteria</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Default (IEC Standard 61300-3-35)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User Defined </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Single Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multi Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Core Zone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scratches</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defects</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cladding Zone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defects ( &lt;2 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defects ( &lt;2.5 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defects ( &lt;5 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Contact Zone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defects ( &gt;10 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>None</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Limit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not loaded: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sizes in true micrometres: the located cladding is 125 µm across. A defect counts in the zone of its centre, a scratch in every zone it crosses.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TFibreStrip</name>
    <message>
        <source>Click a fibre to see its zones as last judged</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>The settings file asks for %1 frames per capture; at most %2 are possible, so %2 are used.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fiber Optic Microscope / Inspector 4.5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>L</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect Scope</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inspected by Zendrix of Veltrana</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Core Zone (0~25 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cladding Zone (25~120 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Core Zone (0~65 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cladding Zone (65~120 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fiber Optic Analysis Report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Test Time : </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Test time will be displayed here</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adhesive Zone (120~130 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Contact Zone (130~250 μm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Single Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multi Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>First fibre</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The fibre at the left of the upper row in the scope&apos;s view; the next Check carries on from the last view by itself</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Connector</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start the next connector: every fibre not judged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No scope</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No scope connected: plug in a USB scope, press Connect Scope, or open an image file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Maximum digit of serial number is 14</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial number is too long</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minimum digit of serial number is 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial number is too short</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last 4 digits of serial number must be numerics</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid serial number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial number must not contain / or \ or control characters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frame capture failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image Saved : </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report judged again, saved as </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1.bmp was filed before: this report is saved as %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capturing %1 / %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search for WiFi Scope ?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No picture from the WiFi scope: %1.

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video Source Not Found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Captured image size must be bigger than or equal to 640x480 for analysis</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Caution</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The image folder %1 is on a network file system (%2). The inspection log&apos;s lock may not hold there when several stations write to it; keep each station&apos;s log in a folder of its own, or use a plant database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Network folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image (*.bmp *.jpg *.jpeg *.png)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; only %1 x %2 and 720 x %2 pixels are opened</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open this image file
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid image size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid image file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report Saved : %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Windows Bitmap (*.bmp)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JPEG Image (*.jpg)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Live</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Live analysis (F2): zones, verdict and focus on the live picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Check</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic Check (F3): checks by itself at the sharpest steady picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overview: the Check numbers the fibres, certifies nothing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No whole fibre in view</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibre %1 in view: Check judges it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibres %1–%2 in view: Check judges each</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: centre the fiber</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No fiber in view</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>zone %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>core</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cladding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>contact</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>edge uncertain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LIVE  AUTO CHECK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LIVE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: a profile needs at least one zone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the name %2 is taken</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The acceptance profile &quot;%1&quot; chosen last cannot be found; the station&apos;s classic criteria are used.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Acceptance profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF report of the result on screen; what else to keep of each inspection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save PDF Report...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse Records...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Pictures of Failed Inspections</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF Report with Every Automatic Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inspection not logged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

Inspections are still logged in inspections.csv.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record store</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plant database: 1 record waiting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plant database: %1 records waiting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inspection not logged yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 inspections not logged yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save PDF Report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF Report (*.pdf)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer could not start the print job</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer could not finish the print job</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zone %1 / %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Findings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibre</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Result</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibre %1 (judged %2×)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibre %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibres %1–%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
%1 of %2 judged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 not in view</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>. The connector has its verdict once every fibre is judged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overview: certifies nothing. The fibres are located and numbered; judge them in fibre views.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not in view: no fibre lies wholly in the picture, so none is judged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibres outside the connector: a whole fibre of the view falls past the connector&apos;s last, so First fibre does not say where the view lies. Nothing was judged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not judged yet: no picture of this fibre</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fibre %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, judged %1 times; the last judgement holds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
%1: %2 finding(s), %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>None</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Limit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Criteria</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scratches</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defects</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defects (dia&lt;%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defects (dia %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defects (dia&gt;%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scratches &amp; Defects</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last Test : </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

This inspection has no verdict, so there is no report to print or save.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No verdict</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TParamSettingForm</name>
    <message>
        <source>Parameter Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inspection Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setting 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setting 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multiple Capture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frames combined per Check, 1 to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Locate the fiber by its edge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The classic criteria judge the zones around the cladding&apos;s edge as found all round, instead of the centre found from four points. True-size profiles always do. Remembered for you.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Defect Detection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Core/Clad Threshold</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Contact Threshold</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set Acceptance Criteria</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Counts on Result</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image Saving Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WiFi Scope</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Used at the next connection; empty for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plant Database (PostgreSQL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Host</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empty: inspections stay in the station&apos;s own store</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Database</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The password is read from ~/.pgpass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TLS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep report pictures in records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The desktop&apos;s language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Takes effect at the next start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ok</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Core Detection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lower Threshold</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upper Threshold</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Evaluation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Core Defect (%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clad Defect (%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 for %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid threshold: %2 takes 0 to 255</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid frame count: Multiple Capture takes 1 to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The image saving folder cannot contain a line break</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a WiFi scope address such as %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid port: the plant database&apos;s port takes 1 to 65535</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The plant database needs the name of its database</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings in %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video device dialog box is unavailable for current system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video system error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile not remembered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Image Saving Folder</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRecordsBrowser</name>
    <message>
        <source>Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This station</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plant database (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial starts with</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Any verdict</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Station</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pass rate per day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pass rate per station</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF Report...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every inspection the search found, as CSV or JSON Lines</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 inspection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 inspections</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pass rate %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pass rate per day (UTC)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No report picture was kept for this inspection.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Station %1, operator %2, %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verdict: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>measured %1: %2 x %3 µm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2: box %3 x %4 px, area %5, size %6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No record is chosen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save PDF Report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF (*.pdf)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search first: there is no record store open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 inspections exported to %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRecordsModel</name>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Station</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>; settings and images stay in the folder the program was started in.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data folder</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
