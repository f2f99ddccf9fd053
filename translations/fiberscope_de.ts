<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>EngineText</name>
    <message>
        <source>Pass</source>
        <translation>i.O.</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>n.i.O.</translation>
    </message>
    <message>
        <source>No fiber</source>
        <translation>Keine Faser</translation>
    </message>
    <message>
        <source>Not in view</source>
        <translation>Nicht im Bild</translation>
    </message>
    <message>
        <source>Fiber edge uncertain: centre the fiber, or drag the zones onto it</source>
        <translation>Faserrand unsicher: Faser mittig ausrichten oder die Zonen auf sie ziehen</translation>
    </message>
    <message>
        <source>Fiber not wholly in view: centre it</source>
        <translation>Faser nicht vollständig im Bild: mittig ausrichten</translation>
    </message>
    <message>
        <source>No fiber: the picture is too small to hold one</source>
        <translation>Keine Faser: das Bild ist zu klein für eine Faser</translation>
    </message>
    <message>
        <source>No fiber: nothing in the picture has an edge (scope capped, or far out of focus?)</source>
        <translation>Keine Faser: nichts im Bild hat einen Rand (Mikroskop abgedeckt oder weit unscharf?)</translation>
    </message>
    <message>
        <source>No fiber: the round edge in view is not a whole cladding</source>
        <translation>Keine Faser: der runde Rand im Bild ist kein ganzer Mantel</translation>
    </message>
    <message>
        <source>No fiber: no cladding edge in the picture</source>
        <translation>Keine Faser: kein Mantelrand im Bild</translation>
    </message>
    <message>
        <source>Station (classic)</source>
        <translation>Station (klassisch)</translation>
    </message>
    <message>
        <source>Single mode PC (UPC)</source>
        <translation>Singlemode PC (UPC)</translation>
    </message>
    <message>
        <source>Single mode APC</source>
        <translation>Singlemode APC</translation>
    </message>
    <message>
        <source>Multimode PC</source>
        <translation>Multimode PC</translation>
    </message>
    <message>
        <source>MT single mode APC (12 fibres)</source>
        <translation>MT Singlemode APC (12 Fasern)</translation>
    </message>
    <message>
        <source>MT multimode PC (12 fibres)</source>
        <translation>MT Multimode PC (12 Fasern)</translation>
    </message>
    <message>
        <source>Not judged</source>
        <translation>Nicht bewertet</translation>
    </message>
</context>
<context>
    <name>PdfReport</name>
    <message>
        <source>Single Mode</source>
        <translation>Singlemode</translation>
    </message>
    <message>
        <source>Multi Mode</source>
        <translation>Multimode</translation>
    </message>
    <message>
        <source>from the edge points</source>
        <translation>aus den Randpunkten</translation>
    </message>
    <message>
        <source>by the cladding&apos;s edge</source>
        <translation>am Mantelrand</translation>
    </message>
    <message>
        <source>placed by the operator</source>
        <translation>vom Bediener gesetzt</translation>
    </message>
    <message>
        <source>%1 fibres in %2 %3 (%4)</source>
        <translation>%1 Fasern in %2 %3 (%4)</translation>
    </message>
    <message>
        <source>row</source>
        <translation>Reihe</translation>
    </message>
    <message>
        <source>rows</source>
        <translation>Reihen</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>fibre %1 (the last judgement holds)</source>
        <translation>Faser %1 (die letzte Bewertung gilt)</translation>
    </message>
    <message>
        <source>fibres %1 (the last judgement holds)</source>
        <translation>Fasern %1 (die letzte Bewertung gilt)</translation>
    </message>
    <message>
        <source>%1 (limit %2)</source>
        <translation>%1 (Grenze %2)</translation>
    </message>
    <message>
        <source>Zone %1 counts: </source>
        <translation>Zählung Zone %1: </translation>
    </message>
    <message>
        <source>Fibre</source>
        <translation>Faser</translation>
    </message>
    <message>
        <source>Zone %1</source>
        <translation>Zone %1</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Judged</source>
        <translation>Bewertet</translation>
    </message>
    <message>
        <source>once</source>
        <translation>einmal</translation>
    </message>
    <message>
        <source>%1 times (again)</source>
        <translation>%1-mal (erneut)</translation>
    </message>
    <message>
        <source>Findings (µm): %1</source>
        <translation>Befunde (µm): %1</translation>
    </message>
    <message>
        <source>Fiber end-face inspection report</source>
        <translation>Prüfbericht Faser-Stirnfläche</translation>
    </message>
    <message>
        <source>the PDF report could not be started</source>
        <translation>der PDF-Bericht konnte nicht begonnen werden</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(keine)</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Fiber mode</source>
        <translation>Fasertyp</translation>
    </message>
    <message>
        <source>Criteria</source>
        <translation>Kriterien</translation>
    </message>
    <message>
        <source>Scale</source>
        <translation>Maßstab</translation>
    </message>
    <message>
        <source>%1 µm per pixel</source>
        <translation>%1 µm pro Pixel</translation>
    </message>
    <message>
        <source>(fiber not located)</source>
        <translation>(Faser nicht gefunden)</translation>
    </message>
    <message>
        <source>Frames combined</source>
        <translation>Zusammengefasste Bilder</translation>
    </message>
    <message>
        <source>(image file)</source>
        <translation>(Bilddatei)</translation>
    </message>
    <message>
        <source>Fiber location</source>
        <translation>Faserlage</translation>
    </message>
    <message>
        <source>Judged again</source>
        <translation>Erneut bewertet</translation>
    </message>
    <message>
        <source>Ferrule</source>
        <translation>Ferrule</translation>
    </message>
    <message>
        <source>Fibres judged</source>
        <translation>Bewertete Fasern</translation>
    </message>
    <message>
        <source>Fiber end-face inspection station, version %1</source>
        <translation>Prüfstation für Faser-Stirnflächen, Version %1</translation>
    </message>
    <message>
        <source>the PDF report could not be finished</source>
        <translation>der PDF-Bericht konnte nicht abgeschlossen werden</translation>
    </message>
    <message>
        <source>Zone and class</source>
        <translation>Zone und Klasse</translation>
    </message>
    <message>
        <source>Limit</source>
        <translation>Grenze</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>Anzahl</translation>
    </message>
    <message>
        <source>Core zone</source>
        <translation>Kernzone</translation>
    </message>
    <message>
        <source>Cladding zone</source>
        <translation>Mantelzone</translation>
    </message>
    <message>
        <source>Adhesive zone</source>
        <translation>Klebezone</translation>
    </message>
    <message>
        <source>Contact zone</source>
        <translation>Kontaktzone</translation>
    </message>
    <message>
        <source>Scratches and defects</source>
        <translation>Kratzer und Defekte</translation>
    </message>
    <message>
        <source>Thresholds: lower %1, upper %2, core/cladding %3, contact %4; defect share %5 %, %6 %</source>
        <translation>Schwellen: unten %1, oben %2, Kern/Mantel %3, Kontakt %4; Defektanteil %5 %, %6 %</translation>
    </message>
    <message>
        <source>Centre %1, %2 px; zone radii %3 px</source>
        <translation>Mitte %1, %2 px; Zonenradien %3 px</translation>
    </message>
    <message>
        <source>Saved: %1</source>
        <translation>Gespeichert: %1</translation>
    </message>
</context>
<context>
    <name>StartOptions</name>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>Der Ordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Cannot write in the folder %1</source>
        <translation>In den Ordner %1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Cannot change to the folder %1</source>
        <translation>In den Ordner %1 kann nicht gewechselt werden</translation>
    </message>
</context>
<context>
    <name>TConnectorCycle</name>
    <message>
        <source>No fiber</source>
        <translation>Keine Faser</translation>
    </message>
    <message>
        <source>Overview: certifies nothing</source>
        <translation>Übersicht: bescheinigt nichts</translation>
    </message>
    <message>
        <source>Not in view: no fibre wholly seen</source>
        <translation>Nicht im Bild: keine Faser vollständig sichtbar</translation>
    </message>
    <message>
        <source>Fibres outside the connector: check First fibre</source>
        <translation>Fasern außerhalb des Steckers: Erste Faser prüfen</translation>
    </message>
    <message>
        <source>Fibre %1</source>
        <translation>Faser %1</translation>
    </message>
    <message>
        <source>Fibres %1–%2</source>
        <translation>Fasern %1–%2</translation>
    </message>
    <message>
        <source> judged: %1 of %2</source>
        <translation> bewertet: %1 von %2</translation>
    </message>
</context>
<context>
    <name>TCriteriaForm</name>
    <message>
        <source>Acceptance Criteria</source>
        <translation>Abnahmekriterien</translation>
    </message>
    <message>
        <source>Default (IEC Standard 61300-3-35)</source>
        <translation>Standard (IEC 61300-3-35)</translation>
    </message>
    <message>
        <source>User Defined </source>
        <translation>Benutzerdefiniert </translation>
    </message>
    <message>
        <source>Single Mode</source>
        <translation>Singlemode</translation>
    </message>
    <message>
        <source>Multi Mode</source>
        <translation>Multimode</translation>
    </message>
    <message>
        <source>Core Zone</source>
        <translation>Kernzone</translation>
    </message>
    <message>
        <source>Scratches</source>
        <translation>Kratzer</translation>
    </message>
    <message>
        <source>Defects</source>
        <translation>Defekte</translation>
    </message>
    <message>
        <source>Cladding Zone</source>
        <translation>Mantelzone</translation>
    </message>
    <message>
        <source>Defects ( &lt;2 μm)</source>
        <translation>Defekte ( &lt;2 μm)</translation>
    </message>
    <message>
        <source>Defects ( &lt;2.5 μm)</source>
        <translation>Defekte ( &lt;2,5 μm)</translation>
    </message>
    <message>
        <source>Defects ( &lt;5 μm)</source>
        <translation>Defekte ( &lt;5 μm)</translation>
    </message>
    <message>
        <source>Contact Zone</source>
        <translation>Kontaktzone</translation>
    </message>
    <message>
        <source>Defects ( &gt;10 μm)</source>
        <translation>Defekte ( &gt;10 μm)</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>No Limit</source>
        <translation>Unbegrenzt</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Not loaded: %1</source>
        <translation>Nicht geladen: %1</translation>
    </message>
    <message>
        <source>Sizes in true micrometres: the located cladding is 125 µm across. A defect counts in the zone of its centre, a scratch in every zone it crosses.</source>
        <translation>Größen in echten Mikrometern: der gefundene Mantel ist 125 µm breit. Ein Defekt zählt in der Zone seiner Mitte, ein Kratzer in jeder Zone, die er kreuzt.</translation>
    </message>
</context>
<context>
    <name>TFibreStrip</name>
    <message>
        <source>Click a fibre to see its zones as last judged</source>
        <translation>Faser anklicken, um ihre Zonen der letzten Bewertung zu sehen</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>The settings file asks for %1 frames per capture; at most %2 are possible, so %2 are used.</source>
        <translation>Die Einstellungsdatei verlangt %1 Bilder pro Aufnahme; höchstens %2 sind möglich, daher werden %2 verwendet.</translation>
    </message>
    <message>
        <source>Invalid setting</source>
        <translation>Ungültige Einstellung</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Benutzereinstellungen</translation>
    </message>
    <message>
        <source>Fiber Optic Microscope / Inspector 4.5</source>
        <translation>Faseroptik-Mikroskop / Inspector 4.5</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>L</source>
        <translation>L</translation>
    </message>
    <message>
        <source>Connect Scope</source>
        <translation>Mikroskop verbinden</translation>
    </message>
    <message>
        <source>Inspected by Zendrix of Veltrana</source>
        <translation>Geprüft mit Zendrix von Veltrana</translation>
    </message>
    <message>
        <source>Core Zone (0~25 μm)</source>
        <translation>Kernzone (0~25 μm)</translation>
    </message>
    <message>
        <source>Cladding Zone (25~120 μm)</source>
        <translation>Mantelzone (25~120 μm)</translation>
    </message>
    <message>
        <source>Core Zone (0~65 μm)</source>
        <translation>Kernzone (0~65 μm)</translation>
    </message>
    <message>
        <source>Cladding Zone (65~120 μm)</source>
        <translation>Mantelzone (65~120 μm)</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Load image</source>
        <translation>Bild laden</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Fiber Optic Analysis Report</source>
        <translation>Faseroptik-Prüfbericht</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Test Time : </source>
        <translation>Prüfzeit : </translation>
    </message>
    <message>
        <source>Test time will be displayed here</source>
        <translation>Hier erscheint die Prüfzeit</translation>
    </message>
    <message>
        <source>Adhesive Zone (120~130 μm)</source>
        <translation>Klebezone (120~130 μm)</translation>
    </message>
    <message>
        <source>Contact Zone (130~250 μm)</source>
        <translation>Kontaktzone (130~250 μm)</translation>
    </message>
    <message>
        <source>Single Mode</source>
        <translation>Singlemode</translation>
    </message>
    <message>
        <source>Multi Mode</source>
        <translation>Multimode</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>Prüfen</translation>
    </message>
    <message>
        <source>First fibre</source>
        <translation>Erste Faser</translation>
    </message>
    <message>
        <source>The fibre at the left of the upper row in the scope&apos;s view; the next Check carries on from the last view by itself</source>
        <translation>Die Faser links in der oberen Reihe im Bild des Mikroskops; die nächste Prüfung setzt selbst an der letzten Ansicht fort</translation>
    </message>
    <message>
        <source>New Connector</source>
        <translation>Neuer Stecker</translation>
    </message>
    <message>
        <source>Start the next connector: every fibre not judged</source>
        <translation>Nächsten Stecker beginnen: alle Fasern unbewertet</translation>
    </message>
    <message>
        <source>No scope</source>
        <translation>Kein Mikroskop</translation>
    </message>
    <message>
        <source>No scope connected: plug in a USB scope, press Connect Scope, or open an image file</source>
        <translation>Kein Mikroskop verbunden: USB-Mikroskop anstecken, „Mikroskop verbinden“ drücken oder eine Bilddatei öffnen</translation>
    </message>
    <message>
        <source>Maximum digit of serial number is 14</source>
        <translation>Die Seriennummer hat höchstens 14 Stellen</translation>
    </message>
    <message>
        <source>Serial number is too long</source>
        <translation>Seriennummer zu lang</translation>
    </message>
    <message>
        <source>Minimum digit of serial number is 4</source>
        <translation>Die Seriennummer hat mindestens 4 Stellen</translation>
    </message>
    <message>
        <source>Serial number is too short</source>
        <translation>Seriennummer zu kurz</translation>
    </message>
    <message>
        <source>Last 4 digits of serial number must be numerics</source>
        <translation>Die letzten 4 Stellen der Seriennummer müssen Ziffern sein</translation>
    </message>
    <message>
        <source>Invalid serial number</source>
        <translation>Ungültige Seriennummer</translation>
    </message>
    <message>
        <source>Serial number must not contain / or \ or control characters</source>
        <translation>Die Seriennummer darf weder / noch \ noch Steuerzeichen enthalten</translation>
    </message>
    <message>
        <source>Frame capture failed</source>
        <translation>Bildaufnahme fehlgeschlagen</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Image Saved : </source>
        <translation>Bild gespeichert : </translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Report judged again, saved as </source>
        <translation>Bericht erneut bewertet, gespeichert als </translation>
    </message>
    <message>
        <source>%1.bmp was filed before: this report is saved as %2</source>
        <translation>%1.bmp wurde schon abgelegt: dieser Bericht wird als %2 gespeichert</translation>
    </message>
    <message>
        <source>Capturing %1 / %2</source>
        <translation>Aufnahme %1 / %2</translation>
    </message>
    <message>
        <source>Search for WiFi Scope ?</source>
        <translation>Nach WLAN-Mikroskop suchen?</translation>
    </message>
    <message>
        <source>No picture from the WiFi scope: %1.

</source>
        <translation>Kein Bild vom WLAN-Mikroskop: %1.

</translation>
    </message>
    <message>
        <source>Video Source Not Found</source>
        <translation>Keine Videoquelle gefunden</translation>
    </message>
    <message>
        <source>Captured image size must be bigger than or equal to 640x480 for analysis</source>
        <translation>Für die Auswertung muss das aufgenommene Bild mindestens 640x480 groß sein</translation>
    </message>
    <message>
        <source>Caution</source>
        <translation>Achtung</translation>
    </message>
    <message>
        <source>The image folder %1 is on a network file system (%2). The inspection log&apos;s lock may not hold there when several stations write to it; keep each station&apos;s log in a folder of its own, or use a plant database.</source>
        <translation>Der Bildordner %1 liegt auf einem Netzwerkdateisystem (%2). Die Sperre des Prüfprotokolls hält dort womöglich nicht, wenn mehrere Stationen hineinschreiben; jedes Stationsprotokoll in einem eigenen Ordner führen oder eine Werksdatenbank verwenden.</translation>
    </message>
    <message>
        <source>Network folder</source>
        <translation>Netzwerkordner</translation>
    </message>
    <message>
        <source>Load Image</source>
        <translation>Bild laden</translation>
    </message>
    <message>
        <source>Image (*.bmp *.jpg *.jpeg *.png)</source>
        <translation>Bild (*.bmp *.jpg *.jpeg *.png)</translation>
    </message>
    <message>
        <source>The file %1</source>
        <translation>Die Datei %1</translation>
    </message>
    <message>
        <source>; only %1 x %2 and 720 x %2 pixels are opened</source>
        <translation>; nur %1 x %2 und 720 x %2 Pixel werden geöffnet</translation>
    </message>
    <message>
        <source>Cannot open this image file
</source>
        <translation>Diese Bilddatei kann nicht geöffnet werden
</translation>
    </message>
    <message>
        <source>Invalid image size</source>
        <translation>Ungültige Bildgröße</translation>
    </message>
    <message>
        <source>Invalid image file</source>
        <translation>Ungültige Bilddatei</translation>
    </message>
    <message>
        <source>Report Saved : %1</source>
        <translation>Bericht gespeichert : %1</translation>
    </message>
    <message>
        <source>Save Image</source>
        <translation>Bild speichern</translation>
    </message>
    <message>
        <source>Windows Bitmap (*.bmp)</source>
        <translation>Windows-Bitmap (*.bmp)</translation>
    </message>
    <message>
        <source>JPEG Image (*.jpg)</source>
        <translation>JPEG-Bild (*.jpg)</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>Live analysis (F2): zones, verdict and focus on the live picture</source>
        <translation>Live-Auswertung (F2): Zonen, Ergebnis und Schärfe im Livebild</translation>
    </message>
    <message>
        <source>Auto Check</source>
        <translation>Autom. Prüfung</translation>
    </message>
    <message>
        <source>Automatic Check (F3): checks by itself at the sharpest steady picture</source>
        <translation>Automatische Prüfung (F3): prüft selbst beim schärfsten ruhigen Bild</translation>
    </message>
    <message>
        <source>Overview: the Check numbers the fibres, certifies nothing</source>
        <translation>Übersicht: die Prüfung nummeriert die Fasern, bescheinigt nichts</translation>
    </message>
    <message>
        <source>No whole fibre in view</source>
        <translation>Keine ganze Faser im Bild</translation>
    </message>
    <message>
        <source>Fibre %1 in view: Check judges it</source>
        <translation>Faser %1 im Bild: die Prüfung bewertet sie</translation>
    </message>
    <message>
        <source>Fibres %1–%2 in view: Check judges each</source>
        <translation>Fasern %1–%2 im Bild: die Prüfung bewertet jede</translation>
    </message>
    <message>
        <source>%1: centre the fiber</source>
        <translation>%1: Faser mittig ausrichten</translation>
    </message>
    <message>
        <source>No fiber in view</source>
        <translation>Keine Faser im Bild</translation>
    </message>
    <message>
        <source>zone %1</source>
        <translation>Zone %1</translation>
    </message>
    <message>
        <source>core</source>
        <translation>Kern</translation>
    </message>
    <message>
        <source>cladding</source>
        <translation>Mantel</translation>
    </message>
    <message>
        <source>contact</source>
        <translation>Kontakt</translation>
    </message>
    <message>
        <source>edge uncertain</source>
        <translation>Rand unsicher</translation>
    </message>
    <message>
        <source>LIVE  AUTO CHECK</source>
        <translation>LIVE  AUTOM. PRÜFUNG</translation>
    </message>
    <message>
        <source>LIVE</source>
        <translation>LIVE</translation>
    </message>
    <message>
        <source>%1: a profile needs at least one zone</source>
        <translation>%1: ein Profil braucht mindestens eine Zone</translation>
    </message>
    <message>
        <source>%1: the name %2 is taken</source>
        <translation>%1: der Name %2 ist vergeben</translation>
    </message>
    <message>
        <source>The acceptance profile &quot;%1&quot; chosen last cannot be found; the station&apos;s classic criteria are used.</source>
        <translation>Das zuletzt gewählte Abnahmeprofil „%1“ wurde nicht gefunden; die klassischen Kriterien der Station werden verwendet.</translation>
    </message>
    <message>
        <source>Acceptance profile</source>
        <translation>Abnahmeprofil</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>Aufzeichnungen</translation>
    </message>
    <message>
        <source>PDF report of the result on screen; what else to keep of each inspection</source>
        <translation>PDF-Bericht des angezeigten Ergebnisses; was sonst von jeder Prüfung aufbewahrt wird</translation>
    </message>
    <message>
        <source>Save PDF Report...</source>
        <translation>PDF-Bericht speichern...</translation>
    </message>
    <message>
        <source>Browse Records...</source>
        <translation>Aufzeichnungen durchsuchen...</translation>
    </message>
    <message>
        <source>Save Pictures of Failed Inspections</source>
        <translation>Bilder von n.i.O.-Prüfungen speichern</translation>
    </message>
    <message>
        <source>PDF Report with Every Automatic Save</source>
        <translation>PDF-Bericht bei jedem automatischen Speichern</translation>
    </message>
    <message>
        <source>Inspection not logged</source>
        <translation>Prüfung nicht protokolliert</translation>
    </message>
    <message>
        <source>

Inspections are still logged in inspections.csv.</source>
        <translation>

Prüfungen werden weiterhin in inspections.csv protokolliert.</translation>
    </message>
    <message>
        <source>Record store</source>
        <translation>Datenspeicher</translation>
    </message>
    <message>
        <source>Plant database: 1 record waiting</source>
        <translation>Werksdatenbank: 1 Datensatz wartet</translation>
    </message>
    <message>
        <source>Plant database: %1 records waiting</source>
        <translation>Werksdatenbank: %1 Datensätze warten</translation>
    </message>
    <message>
        <source>Inspection not logged yet</source>
        <translation>Prüfung noch nicht protokolliert</translation>
    </message>
    <message>
        <source>%1 inspections not logged yet</source>
        <translation>%1 Prüfungen noch nicht protokolliert</translation>
    </message>
    <message>
        <source>Save PDF Report</source>
        <translation>PDF-Bericht speichern</translation>
    </message>
    <message>
        <source>PDF Report (*.pdf)</source>
        <translation>PDF-Bericht (*.pdf)</translation>
    </message>
    <message>
        <source>The printer could not start the print job</source>
        <translation>Der Drucker konnte den Druckauftrag nicht beginnen</translation>
    </message>
    <message>
        <source>The printer could not finish the print job</source>
        <translation>Der Drucker konnte den Druckauftrag nicht abschließen</translation>
    </message>
    <message>
        <source>Zone %1 / %2</source>
        <translation>Zone %1 / %2</translation>
    </message>
    <message>
        <source>Findings</source>
        <translation>Befunde</translation>
    </message>
    <message>
        <source>Fibre</source>
        <translation>Faser</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Fibre %1 (judged %2×)</source>
        <translation>Faser %1 (%2× bewertet)</translation>
    </message>
    <message>
        <source>Fibre %1</source>
        <translation>Faser %1</translation>
    </message>
    <message>
        <source>Fibres %1–%2</source>
        <translation>Fasern %1–%2</translation>
    </message>
    <message>
        <source>
%1 of %2 judged</source>
        <translation>
%1 von %2 bewertet</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Übersicht</translation>
    </message>
    <message>
        <source>%1 not in view</source>
        <translation>%1 nicht im Bild</translation>
    </message>
    <message>
        <source>. The connector has its verdict once every fibre is judged.</source>
        <translation>. Der Stecker erhält sein Ergebnis, sobald jede Faser bewertet ist.</translation>
    </message>
    <message>
        <source>Overview: certifies nothing. The fibres are located and numbered; judge them in fibre views.</source>
        <translation>Übersicht: bescheinigt nichts. Die Fasern sind gefunden und nummeriert; bewerten Sie sie in Faseransichten.</translation>
    </message>
    <message>
        <source>Not in view: no fibre lies wholly in the picture, so none is judged.</source>
        <translation>Nicht im Bild: keine Faser liegt vollständig im Bild, daher wird keine bewertet.</translation>
    </message>
    <message>
        <source>Fibres outside the connector: a whole fibre of the view falls past the connector&apos;s last, so First fibre does not say where the view lies. Nothing was judged.</source>
        <translation>Fasern außerhalb des Steckers: eine ganze Faser im Bild liegt hinter der letzten des Steckers, also gibt „Erste Faser“ die Lage der Ansicht nicht an. Nichts wurde bewertet.</translation>
    </message>
    <message>
        <source>Not judged yet: no picture of this fibre</source>
        <translation>Noch nicht bewertet: kein Bild dieser Faser</translation>
    </message>
    <message>
        <source>Fibre %1: %2</source>
        <translation>Faser %1: %2</translation>
    </message>
    <message>
        <source>, judged %1 times; the last judgement holds</source>
        <translation>, %1-mal bewertet; die letzte Bewertung gilt</translation>
    </message>
    <message>
        <source>
%1: %2 finding(s), %3</source>
        <translation>
%1: %2 Befund(e), %3</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>No Limit</source>
        <translation>Unbegrenzt</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Merkmal</translation>
    </message>
    <message>
        <source>Criteria</source>
        <translation>Kriterien</translation>
    </message>
    <message>
        <source>Scratches</source>
        <translation>Kratzer</translation>
    </message>
    <message>
        <source>Defects</source>
        <translation>Defekte</translation>
    </message>
    <message>
        <source>Defects (dia&lt;%1)</source>
        <translation>Defekte (Ø&lt;%1)</translation>
    </message>
    <message>
        <source>Defects (dia %1)</source>
        <translation>Defekte (Ø %1)</translation>
    </message>
    <message>
        <source>Defects (dia&gt;%1)</source>
        <translation>Defekte (Ø&gt;%1)</translation>
    </message>
    <message>
        <source>Scratches &amp; Defects</source>
        <translation>Kratzer &amp; Defekte</translation>
    </message>
    <message>
        <source>Last Test : </source>
        <translation>Letzte Prüfung : </translation>
    </message>
    <message>
        <source>

This inspection has no verdict, so there is no report to print or save.</source>
        <translation>

Diese Prüfung hat kein Ergebnis, daher gibt es keinen Bericht zum Drucken oder Speichern.</translation>
    </message>
    <message>
        <source>No verdict</source>
        <translation>Kein Ergebnis</translation>
    </message>
</context>
<context>
    <name>TParamSettingForm</name>
    <message>
        <source>Parameter Setting</source>
        <translation>Parametereinstellung</translation>
    </message>
    <message>
        <source>Inspection Device</source>
        <translation>Prüfgerät</translation>
    </message>
    <message>
        <source>Setting 1</source>
        <translation>Einstellung 1</translation>
    </message>
    <message>
        <source>Setting 2</source>
        <translation>Einstellung 2</translation>
    </message>
    <message>
        <source>Multiple Capture</source>
        <translation>Mehrfachaufnahme</translation>
    </message>
    <message>
        <source>Frames combined per Check, 1 to %1</source>
        <translation>Zusammengefasste Bilder pro Prüfung, 1 bis %1</translation>
    </message>
    <message>
        <source>Locate the fiber by its edge</source>
        <translation>Faser an ihrem Rand finden</translation>
    </message>
    <message>
        <source>The classic criteria judge the zones around the cladding&apos;s edge as found all round, instead of the centre found from four points. True-size profiles always do. Remembered for you.</source>
        <translation>Die klassischen Kriterien bewerten die Zonen um den ringsum gefundenen Mantelrand statt um die aus vier Punkten gefundene Mitte. Profile in echter Größe tun das immer. Wird für Sie gespeichert.</translation>
    </message>
    <message>
        <source>Defect Detection</source>
        <translation>Defekterkennung</translation>
    </message>
    <message>
        <source>Core/Clad Threshold</source>
        <translation>Schwelle Kern/Mantel</translation>
    </message>
    <message>
        <source>Contact Threshold</source>
        <translation>Schwelle Kontakt</translation>
    </message>
    <message>
        <source>Set Acceptance Criteria</source>
        <translation>Abnahmekriterien festlegen</translation>
    </message>
    <message>
        <source>Show Counts on Result</source>
        <translation>Anzahlen im Ergebnis zeigen</translation>
    </message>
    <message>
        <source>Image Saving Folder</source>
        <translation>Ordner für Bilder</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Wählen</translation>
    </message>
    <message>
        <source>WiFi Scope</source>
        <translation>WLAN-Mikroskop</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Used at the next connection; empty for %1</source>
        <translation>Gilt ab der nächsten Verbindung; leer für %1</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Benutzer</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Plant Database (PostgreSQL)</source>
        <translation>Werksdatenbank (PostgreSQL)</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>Empty: inspections stay in the station&apos;s own store</source>
        <translation>Leer: Prüfungen bleiben im Speicher der Station</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>The password is read from ~/.pgpass</source>
        <translation>Das Passwort wird aus ~/.pgpass gelesen</translation>
    </message>
    <message>
        <source>TLS</source>
        <translation>TLS</translation>
    </message>
    <message>
        <source>Keep report pictures in records</source>
        <translation>Berichtsbilder in Aufzeichnungen behalten</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>The desktop&apos;s language</source>
        <translation>Sprache des Desktops</translation>
    </message>
    <message>
        <source>Takes effect at the next start</source>
        <translation>Wirkt ab dem nächsten Start</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Core Detection</source>
        <translation>Kernerkennung</translation>
    </message>
    <message>
        <source>Lower Threshold</source>
        <translation>Untere Schwelle</translation>
    </message>
    <message>
        <source>Upper Threshold</source>
        <translation>Obere Schwelle</translation>
    </message>
    <message>
        <source>Evaluation</source>
        <translation>Bewertung</translation>
    </message>
    <message>
        <source>Core Defect (%)</source>
        <translation>Kerndefekt (%)</translation>
    </message>
    <message>
        <source>Clad Defect (%)</source>
        <translation>Manteldefekt (%)</translation>
    </message>
    <message>
        <source>%1 for %2</source>
        <translation>%1 bei %2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid threshold: %2 takes 0 to 255</source>
        <translation>„%1“ ist keine gültige Schwelle: %2 nimmt 0 bis 255</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid frame count: Multiple Capture takes 1 to %2</source>
        <translation>„%1“ ist keine gültige Bildanzahl: Mehrfachaufnahme nimmt 1 bis %2</translation>
    </message>
    <message>
        <source>The image saving folder cannot contain a line break</source>
        <translation>Der Ordner für Bilder darf keinen Zeilenumbruch enthalten</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a WiFi scope address such as %2</source>
        <translation>„%1“ ist keine WLAN-Mikroskop-Adresse wie %2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid port: the plant database&apos;s port takes 1 to 65535</source>
        <translation>„%1“ ist kein gültiger Port: der Port der Werksdatenbank nimmt 1 bis 65535</translation>
    </message>
    <message>
        <source>The plant database needs the name of its database</source>
        <translation>Die Werksdatenbank braucht den Namen ihrer Datenbank</translation>
    </message>
    <message>
        <source>Settings in %1</source>
        <translation>Einstellungen in %1</translation>
    </message>
    <message>
        <source>Video device dialog box is unavailable for current system</source>
        <translation>Der Dialog des Videogeräts ist auf diesem System nicht verfügbar</translation>
    </message>
    <message>
        <source>Video system error</source>
        <translation>Fehler im Videosystem</translation>
    </message>
    <message>
        <source>Profile not remembered</source>
        <translation>Profil nicht gespeichert</translation>
    </message>
    <message>
        <source>Choose Image Saving Folder</source>
        <translation>Ordner für Bilder wählen</translation>
    </message>
</context>
<context>
    <name>TRecordsBrowser</name>
    <message>
        <source>Records</source>
        <translation>Aufzeichnungen</translation>
    </message>
    <message>
        <source>This station</source>
        <translation>Diese Station</translation>
    </message>
    <message>
        <source>Plant database (%1)</source>
        <translation>Werksdatenbank (%1)</translation>
    </message>
    <message>
        <source>Serial starts with</source>
        <translation>Seriennummer beginnt mit</translation>
    </message>
    <message>
        <source>Any verdict</source>
        <translation>Jedes Ergebnis</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>from</source>
        <translation>von</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>Pass rate per day</source>
        <translation>i.O.-Quote pro Tag</translation>
    </message>
    <message>
        <source>Pass rate per station</source>
        <translation>i.O.-Quote pro Station</translation>
    </message>
    <message>
        <source>PDF Report...</source>
        <translation>PDF-Bericht...</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>Exportieren...</translation>
    </message>
    <message>
        <source>Every inspection the search found, as CSV or JSON Lines</source>
        <translation>Alle gefundenen Prüfungen als CSV oder JSON Lines</translation>
    </message>
    <message>
        <source>1 inspection</source>
        <translation>1 Prüfung</translation>
    </message>
    <message>
        <source>%1 inspections</source>
        <translation>%1 Prüfungen</translation>
    </message>
    <message>
        <source>Pass rate %</source>
        <translation>i.O.-Quote %</translation>
    </message>
    <message>
        <source>Pass rate per day (UTC)</source>
        <translation>i.O.-Quote pro Tag (UTC)</translation>
    </message>
    <message>
        <source>No report picture was kept for this inspection.</source>
        <translation>Für diese Prüfung wurde kein Berichtsbild behalten.</translation>
    </message>
    <message>
        <source>Station %1, operator %2, %3</source>
        <translation>Station %1, Bediener %2, %3</translation>
    </message>
    <message>
        <source>Verdict: %1</source>
        <translation>Ergebnis: %1</translation>
    </message>
    <message>
        <source>measured %1: %2 x %3 µm</source>
        <translation>gemessen %1: %2 x %3 µm</translation>
    </message>
    <message>
        <source>%1 %2: box %3 x %4 px, area %5, size %6</source>
        <translation>%1 %2: Rahmen %3 x %4 px, Fläche %5, Größe %6</translation>
    </message>
    <message>
        <source>No record is chosen</source>
        <translation>Keine Aufzeichnung gewählt</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Save PDF Report</source>
        <translation>PDF-Bericht speichern</translation>
    </message>
    <message>
        <source>PDF (*.pdf)</source>
        <translation>PDF (*.pdf)</translation>
    </message>
    <message>
        <source>Search first: there is no record store open</source>
        <translation>Zuerst suchen: kein Datenspeicher geöffnet</translation>
    </message>
    <message>
        <source>Export Records</source>
        <translation>Aufzeichnungen exportieren</translation>
    </message>
    <message>
        <source>%1 inspections exported to %2</source>
        <translation>%1 Prüfungen nach %2 exportiert</translation>
    </message>
</context>
<context>
    <name>TRecordsModel</name>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>; settings and images stay in the folder the program was started in.</source>
        <translation>; Einstellungen und Bilder bleiben in dem Ordner, in dem das Programm gestartet wurde.</translation>
    </message>
    <message>
        <source>Data folder</source>
        <translation>Datenordner</translation>
    </message>
</context>
</TS>
