<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>QObject</name>
    <message>
        <source>Recover recording?</source>
        <translation>Aufnahme wiederherstellen?</translation>
    </message>
    <message>
        <source>Tarnix ended while recording &quot;%1&quot;, before its cursor, clicks and zooms were saved. They were kept as the recording went on and can be put back now. Discard keeps the movie without them.</source>
        <translation>Tarnix wurde während der Aufnahme „%1“ beendet, bevor Mauszeiger, Klicks und Zooms gespeichert waren. Sie wurden während der Aufnahme festgehalten und können jetzt wiederhergestellt werden. „Verwerfen“ behält den Film ohne sie.</translation>
    </message>
    <message>
        <source>Couldn&apos;t recover the recording</source>
        <translation>Die Aufnahme konnte nicht wiederhergestellt werden</translation>
    </message>
    <message>
        <source>Something went wrong</source>
        <translation>Etwas ist schiefgelaufen</translation>
    </message>
    <message>
        <source>No file manager could be opened. The file is in %1.</source>
        <translation>Es konnte kein Dateimanager geöffnet werden. Die Datei liegt in %1.</translation>
    </message>
    <message>
        <source>Open Recording</source>
        <translation>Aufnahme öffnen</translation>
    </message>
    <message>
        <source>Recover recording</source>
        <translation>Aufnahme wiederherstellen</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Verwerfen</translation>
    </message>
</context>
<context>
    <name>StudioTab</name>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Hintergrund</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Cursor</source>
        <translation>Mauszeiger</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Privatsphäre</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Tasten</translation>
    </message>
</context>
<context>
    <name>TimelineClipLook</name>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Cut %1</source>
        <translation>Schnitt %1</translation>
    </message>
    <message>
        <source>Zoom %1, %2</source>
        <translation>Zoom %1, %2</translation>
    </message>
    <message>
        <source>Blur %1</source>
        <translation>Unschärfe %1</translation>
    </message>
    <message>
        <source>Text &quot;%1&quot; %2</source>
        <translation>Text „%1“ %2</translation>
    </message>
    <message>
        <source>Speed %1 %2</source>
        <translation>Tempo %1 %2</translation>
    </message>
    <message>
        <source>Restore Cut</source>
        <translation>Schnitt zurücknehmen</translation>
    </message>
    <message>
        <source>Delete Zoom</source>
        <translation>Zoom löschen</translation>
    </message>
    <message>
        <source>Delete Blur</source>
        <translation>Unschärfe löschen</translation>
    </message>
    <message>
        <source>Delete Text</source>
        <translation>Text löschen</translation>
    </message>
    <message>
        <source>Delete Speed</source>
        <translation>Tempo löschen</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>The recording was stopped and saved.</source>
        <translation>Die Aufnahme wurde beendet und gespeichert.</translation>
    </message>
</context>
<context>
    <name>tarnix::AppAlert</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>tarnix::AreaOverlay</name>
    <message>
        <source>Choose the area to record</source>
        <translation>Bereich für die Aufnahme wählen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Aufnehmen</translation>
    </message>
    <message>
        <source>Drag to choose the area to record · Esc cancels</source>
        <translation>Ziehen, um den Aufnahmebereich zu wählen · Esc bricht ab</translation>
    </message>
</context>
<context>
    <name>tarnix::AudioPanel</name>
    <message>
        <source>System Audio</source>
        <translation>Systemton</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Mikrofon</translation>
    </message>
    <message>
        <source>This recording has no sound.</source>
        <translation>Diese Aufnahme hat keinen Ton.</translation>
    </message>
    <message>
        <source>Reduce Noise</source>
        <translation>Rauschen mindern</translation>
    </message>
    <message>
        <source>Lowers the microphone&apos;s steady hiss and hum</source>
        <translation>Mindert das gleichmäßige Rauschen und Brummen des Mikrofons</translation>
    </message>
    <message>
        <source>Noise reduction strength</source>
        <translation>Stärke der Rauschminderung</translation>
    </message>
</context>
<context>
    <name>tarnix::BackgroundPanel</name>
    <message>
        <source>Aspect</source>
        <translation>Seitenverhältnis</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Stil</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keiner</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Gradient</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>The recording fills the whole frame.</source>
        <translation>Die Aufnahme füllt das ganze Bild.</translation>
    </message>
    <message>
        <source>Padding</source>
        <translation>Abstand</translation>
    </message>
    <message>
        <source>Corner Radius</source>
        <translation>Eckenradius</translation>
    </message>
    <message>
        <source>Shadow</source>
        <translation>Schatten</translation>
    </message>
    <message>
        <source>No image chosen</source>
        <translation>Kein Bild gewählt</translation>
    </message>
    <message>
        <source>Loading…</source>
        <translation>Wird geladen …</translation>
    </message>
    <message>
        <source>Choose Image…</source>
        <translation>Bild wählen …</translation>
    </message>
    <message>
        <source>System Wallpapers</source>
        <translation>System-Hintergrundbilder</translation>
    </message>
    <message>
        <source>Looking for wallpapers…</source>
        <translation>Suche nach Hintergrundbildern …</translation>
    </message>
    <message>
        <source>No wallpapers are installed.</source>
        <translation>Es sind keine Hintergrundbilder installiert.</translation>
    </message>
</context>
<context>
    <name>tarnix::CameraPanel</name>
    <message>
        <source>This recording has no camera.</source>
        <translation>Diese Aufnahme hat keine Kamera.</translation>
    </message>
    <message>
        <source>Show Camera</source>
        <translation>Kamera zeigen</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Spiegeln</translation>
    </message>
    <message>
        <source>Shape</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Circle</source>
        <translation>Kreis</translation>
    </message>
    <message>
        <source>Rounded</source>
        <translation>Abgerundet</translation>
    </message>
    <message>
        <source>Corner Radius</source>
        <translation>Eckenradius</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Choose Corner</source>
        <translation>Ecke wählen</translation>
    </message>
    <message>
        <source>Or drag the camera on the preview.</source>
        <translation>Oder ziehen Sie die Kamera in der Vorschau.</translation>
    </message>
</context>
<context>
    <name>tarnix::CaptureMessages</name>
    <message>
        <source>Couldn&apos;t list capture sources (%1). On X11, check that the X server is running; on Wayland, that the desktop&apos;s screen-sharing portal (xdg-desktop-portal) is. Click ↻ to retry; if that still doesn&apos;t work, quit and reopen Tarnix (a newly opened display is sometimes only picked up after a relaunch).</source>
        <translation>Die Aufnahmequellen konnten nicht aufgelistet werden (%1). Prüfen Sie unter X11, ob der X-Server läuft, unter Wayland, ob das Bildschirmfreigabe-Portal des Desktops (xdg-desktop-portal) läuft. Klicken Sie auf ↻, um es erneut zu versuchen; hilft das nicht, beenden Sie Tarnix und öffnen Sie es erneut (ein neu angeschlossener Bildschirm wird manchmal erst nach einem Neustart erkannt).</translation>
    </message>
    <message>
        <source>Failed to start recording: %1</source>
        <translation>Die Aufnahme konnte nicht gestartet werden: %1</translation>
    </message>
    <message>
        <source>Writer failed to start: %1</source>
        <translation>Der Filmschreiber konnte nicht starten: %1</translation>
    </message>
    <message>
        <source>Capture stopped: %1</source>
        <translation>Aufnahme beendet: %1</translation>
    </message>
    <message>
        <source>Failed to stop cleanly: %1</source>
        <translation>Die Aufnahme wurde nicht sauber beendet: %1</translation>
    </message>
    <message>
        <source>Export failed: %1</source>
        <translation>Export fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
    <message>
        <source>the window being recorded was closed</source>
        <translation>das aufgenommene Fenster wurde geschlossen</translation>
    </message>
    <message>
        <source>No frames were captured, so the recording is empty. Check that the display or window you chose is on screen and, on Wayland, that the desktop is still sharing it.</source>
        <translation>Es wurden keine Bilder aufgenommen, die Aufnahme ist also leer. Prüfen Sie, ob der gewählte Bildschirm oder das Fenster sichtbar ist und, unter Wayland, ob der Desktop ihn noch freigibt.</translation>
    </message>
    <message>
        <source>this Wayland desktop offers no screen-sharing portal (start xdg-desktop-portal with a backend for your desktop, such as xdg-desktop-portal-gnome, -kde or -wlr)</source>
        <translation>dieser Wayland-Desktop bietet kein Bildschirmfreigabe-Portal (starten Sie xdg-desktop-portal mit einem Backend für Ihren Desktop, etwa xdg-desktop-portal-gnome, -kde oder -wlr)</translation>
    </message>
    <message>
        <source>This desktop doesn&apos;t share the pointer&apos;s position: the pointer is recorded in the picture and can&apos;t be restyled later.</source>
        <translation>Dieser Desktop gibt die Position des Mauszeigers nicht weiter: Der Mauszeiger wird im Bild aufgenommen und kann später nicht umgestaltet werden.</translation>
    </message>
    <message>
        <source>The desktop was asked for the pointer&apos;s position but sent none during this recording, so the recording has no pointer.</source>
        <translation>Der Desktop wurde nach der Position des Mauszeigers gefragt, hat während dieser Aufnahme aber keine gesendet; die Aufnahme hat daher keinen Mauszeiger.</translation>
    </message>
    <message>
        <source>The desktop ended the screen sharing, so the recording stopped there and was saved.</source>
        <translation>Der Desktop hat die Bildschirmfreigabe beendet; die Aufnahme endete dort und wurde gespeichert.</translation>
    </message>
    <message>
        <source>This desktop doesn&apos;t share clicks: none are recorded, and automatic zoom follows keyboard focus only.</source>
        <translation>Dieser Desktop gibt keine Klicks weiter: Es werden keine aufgenommen, und der automatische Zoom folgt nur dem Tastaturfokus.</translation>
    </message>
    <message>
        <source>Keys pressed aren&apos;t recorded: %1</source>
        <translation>Tastendrücke werden nicht aufgenommen: %1</translation>
    </message>
    <message>
        <source>Stop from the screen-sharing indicator in the top bar.</source>
        <translation>Beenden Sie die Aufnahme über die Bildschirmfreigabe-Anzeige in der oberen Leiste.</translation>
    </message>
    <message>
        <source>This desktop doesn&apos;t offer a shortcut to stop the recording: stop it from the tray icon.</source>
        <translation>Dieser Desktop bietet kein Tastenkürzel zum Beenden der Aufnahme: Beenden Sie sie über das Symbol im Systembereich.</translation>
    </message>
    <message>
        <source>Camera access wasn&apos;t granted. Enable it by giving your user access to /dev/video* (add it to the video group), then relaunch Tarnix.</source>
        <translation>Der Kamerazugriff wurde nicht gewährt. Geben Sie Ihrem Benutzer Zugriff auf /dev/video* (fügen Sie ihn der Gruppe video hinzu) und starten Sie Tarnix dann neu.</translation>
    </message>
    <message>
        <source>Couldn&apos;t use the selected camera.</source>
        <translation>Die ausgewählte Kamera kann nicht verwendet werden.</translation>
    </message>
    <message>
        <source>Couldn&apos;t use the selected microphone.</source>
        <translation>Das ausgewählte Mikrofon kann nicht verwendet werden.</translation>
    </message>
    <message>
        <source>Camera recording failed: %1</source>
        <translation>Die Kameraaufnahme ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Microphone access wasn&apos;t granted. Enable it by starting a PulseAudio or PipeWire sound server, then relaunch Tarnix.</source>
        <translation>Der Mikrofonzugriff wurde nicht gewährt. Starten Sie einen PulseAudio- oder PipeWire-Soundserver und starten Sie Tarnix dann neu.</translation>
    </message>
    <message>
        <source>Couldn&apos;t reach a sound server (%1), so there are no microphones to list. Start PulseAudio or PipeWire with its PulseAudio service, then try again.</source>
        <translation>Es ist kein Soundserver erreichbar (%1), daher gibt es keine Mikrofone. Starten Sie PulseAudio oder PipeWire mit seinem PulseAudio-Dienst und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Microphone wasn&apos;t ready — deselect and reselect it, then try again.</source>
        <translation>Das Mikrofon war nicht bereit – wählen Sie es ab und wieder aus und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Microphone recording failed: %1</source>
        <translation>Die Mikrofonaufnahme ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>System audio</source>
        <translation>Der Systemton</translation>
    </message>
    <message>
        <source>The microphone</source>
        <translation>Das Mikrofon</translation>
    </message>
    <message>
        <source>System audio and the microphone</source>
        <translation>Der Systemton und das Mikrofon</translation>
    </message>
    <message>
        <source>the sound server stopped</source>
        <translation>der Soundserver wurde beendet</translation>
    </message>
    <message>
        <source>the sound source went away (%1)</source>
        <translation>die Tonquelle ist verschwunden (%1)</translation>
    </message>
    <message>
        <source>%1 are missing since %2: %3. Recording goes on.</source>
        <translation>%1 fehlen seit %2: %3. Die Aufnahme läuft weiter.</translation>
    </message>
    <message>
        <source>%1 is missing since %2: %3. Recording goes on.</source>
        <translation>%1 fehlt seit %2: %3. Die Aufnahme läuft weiter.</translation>
    </message>
    <message>
        <source>%1 were missing for %2 s from %3: %4.</source>
        <translation>%1 fehlten %2 s lang ab %3: %4.</translation>
    </message>
    <message>
        <source>%1 was missing for %2 s from %3: %4.</source>
        <translation>%1 fehlte %2 s lang ab %3: %4.</translation>
    </message>
    <message>
        <source>%1 are missing from %2 to the end (%3 s): %4.</source>
        <translation>%1 fehlen von %2 bis zum Ende (%3 s): %4.</translation>
    </message>
    <message>
        <source>%1 is missing from %2 to the end (%3 s): %4.</source>
        <translation>%1 fehlt von %2 bis zum Ende (%3 s): %4.</translation>
    </message>
    <message>
        <source>%1 were missing %2 times, %3 s in all, first at %4: %5.</source>
        <translation>%1 fehlten %2-mal, insgesamt %3 s, zuerst bei %4: %5.</translation>
    </message>
    <message>
        <source>%1 was missing %2 times, %3 s in all, first at %4: %5.</source>
        <translation>%1 fehlte %2-mal, insgesamt %3 s, zuerst bei %4: %5.</translation>
    </message>
    <message>
        <source>The display changed size back to %1 at %2.</source>
        <translation>Der Bildschirm hat bei %2 wieder die Größe %1 angenommen.</translation>
    </message>
    <message>
        <source>The display changed size to %1 at %2: from there the picture is scaled to fit the movie&apos;s %3 frame.</source>
        <translation>Der Bildschirm hat bei %2 seine Größe auf %1 geändert: Ab dort wird das Bild passend zum %3-Bild des Films skaliert.</translation>
    </message>
    <message>
        <source>The display changed size %1 times, first at %2 (to %3), last at %4 (to %5): where its size differs from the movie&apos;s %6 frame, the picture is scaled to fit it.</source>
        <translation>Der Bildschirm hat seine Größe %1-mal geändert, zuerst bei %2 (auf %3), zuletzt bei %4 (auf %5): Wo seine Größe vom %6-Bild des Films abweicht, wird das Bild passend skaliert.</translation>
    </message>
    <message>
        <source>the chosen area lies outside the display the desktop shared; choose the area again</source>
        <translation>der gewählte Bereich liegt außerhalb des Bildschirms, den der Desktop freigegeben hat; wählen Sie den Bereich erneut</translation>
    </message>
    <message>
        <source>the chosen area is no longer on the display; choose the area again</source>
        <translation>der gewählte Bereich liegt nicht mehr auf dem Bildschirm; wählen Sie den Bereich erneut</translation>
    </message>
    <message>
        <source>The movie can&apos;t be written any more, so the recording stopped; what was recorded until then is kept. (%1)</source>
        <translation>Der Film kann nicht mehr geschrieben werden, deshalb wurde die Aufnahme beendet; was bis dahin aufgenommen wurde, bleibt erhalten. (%1)</translation>
    </message>
</context>
<context>
    <name>tarnix::CompositionBuilder</name>
    <message>
        <source>Nothing is left to export: the cuts remove the whole recording.</source>
        <translation>Es bleibt nichts zu exportieren: Die Schnitte entfernen die ganze Aufnahme.</translation>
    </message>
    <message>
        <source>The camera file %1 holds no video; the camera bubble is left out.</source>
        <translation>Die Kameradatei %1 enthält kein Video; die Kamerablase wird weggelassen.</translation>
    </message>
    <message>
        <source>The camera file %1 could not be read (%2); the camera bubble is left out.</source>
        <translation>Die Kameradatei %1 konnte nicht gelesen werden (%2); die Kamerablase wird weggelassen.</translation>
    </message>
    <message>
        <source>The microphone file %1 holds no sound; the microphone&apos;s sound is left out.</source>
        <translation>Die Mikrofondatei %1 enthält keinen Ton; der Ton des Mikrofons wird weggelassen.</translation>
    </message>
    <message>
        <source>The microphone file %1 could not be read (%2); the microphone&apos;s sound is left out.</source>
        <translation>Die Mikrofondatei %1 konnte nicht gelesen werden (%2); der Ton des Mikrofons wird weggelassen.</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>sie existiert nicht</translation>
    </message>
    <message>
        <source>it is empty</source>
        <translation>sie ist leer</translation>
    </message>
    <message>
        <source>The screen movie “%1” is cut short before its first picture.</source>
        <translation>Der Bildschirmfilm „%1“ bricht vor seinem ersten Bild ab.</translation>
    </message>
    <message>
        <source>The screen movie ends at %1 s of its %2 s (the file is cut short); the edited movie ends there too.</source>
        <translation>Der Bildschirmfilm endet bei %1 s von %2 s (die Datei bricht ab); der bearbeitete Film endet ebenfalls dort.</translation>
    </message>
    <message>
        <source>No video track found in the recording.</source>
        <translation>Die Aufnahme enthält keine Videospur.</translation>
    </message>
</context>
<context>
    <name>tarnix::CompositorError</name>
    <message>
        <source>Missing a source frame while rendering.</source>
        <translation>Beim Zeichnen fehlte ein Quellbild.</translation>
    </message>
    <message>
        <source>Couldn&apos;t allocate a render buffer.</source>
        <translation>Es konnte kein Zeichenpuffer angelegt werden.</translation>
    </message>
</context>
<context>
    <name>tarnix::ControlBarModel</name>
    <message>
        <source>Entire Display (%1×%2)</source>
        <translation>Ganzer Bildschirm (%1×%2)</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>No Camera</source>
        <translation>Keine Kamera</translation>
    </message>
    <message>
        <source>No Microphone</source>
        <translation>Kein Mikrofon</translation>
    </message>
    <message>
        <source>System Audio</source>
        <translation>Systemton</translation>
    </message>
    <message>
        <source>No System Audio</source>
        <translation>Kein Systemton</translation>
    </message>
    <message>
        <source>%1 frames · %2 clicks</source>
        <translation>%1 Bilder · %2 Klicks</translation>
    </message>
    <message>
        <source>Couldn&apos;t use that camera: %1</source>
        <translation>Diese Kamera kann nicht verwendet werden: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t use that microphone: %1</source>
        <translation>Dieses Mikrofon kann nicht verwendet werden: %1</translation>
    </message>
    <message>
        <source>Choose an area…</source>
        <translation>Bereich wählen …</translation>
    </message>
    <message>
        <source>Choose an area of %1…</source>
        <translation>Bereich von %1 wählen …</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>The camera “%1” is no longer connected: no camera is recorded until it is back.</source>
        <translation>Die Kamera „%1“ ist nicht mehr angeschlossen: Bis sie wieder da ist, wird keine Kamera aufgenommen.</translation>
    </message>
    <message>
        <source>The microphone “%1” is no longer connected: no microphone is recorded until it is back.</source>
        <translation>Das Mikrofon „%1“ ist nicht mehr angeschlossen: Bis es wieder da ist, wird kein Mikrofon aufgenommen.</translation>
    </message>
</context>
<context>
    <name>tarnix::CursorPanel</name>
    <message>
        <source>Show Cursor</source>
        <translation>Mauszeiger zeigen</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Stil</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Dot</source>
        <translation>Punkt</translation>
    </message>
    <message>
        <source>Ring</source>
        <translation>Ring</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Click Ripples</source>
        <translation>Klickwellen</translation>
    </message>
    <message>
        <source>Smooth movement</source>
        <translation>Weiche Bewegung</translation>
    </message>
    <message>
        <source>Smoothing strength</source>
        <translation>Stärke der Glättung</translation>
    </message>
</context>
<context>
    <name>tarnix::DesktopNotifier</name>
    <message>
        <source>Recording stopped</source>
        <translation>Aufnahme beendet</translation>
    </message>
</context>
<context>
    <name>tarnix::DocumentFiles</name>
    <message>
        <source>Couldn&apos;t save the recording&apos;s document %1: %2 (%3).</source>
        <translation>Das Dokument der Aufnahme %1 konnte nicht gespeichert werden: %2 (%3).</translation>
    </message>
</context>
<context>
    <name>tarnix::DocumentSaver</name>
    <message>
        <source>%1 (your edits)</source>
        <translation>%1 (Ihre Änderungen)</translation>
    </message>
    <message>
        <source>%1 (your edits %2)</source>
        <translation>%1 (Ihre Änderungen %2)</translation>
    </message>
</context>
<context>
    <name>tarnix::ExportNotifier</name>
    <message>
        <source>Export finished</source>
        <translation>Export abgeschlossen</translation>
    </message>
    <message>
        <source>%1 is in %2</source>
        <translation>%1 liegt in %2</translation>
    </message>
    <message>
        <source>Show in Files</source>
        <translation>Im Dateimanager zeigen</translation>
    </message>
    <message>
        <source>Export failed</source>
        <translation>Export fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>tarnix::ExportResolution</name>
    <message>
        <source>Source Quality</source>
        <translation>Originalqualität</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Original</translation>
    </message>
</context>
<context>
    <name>tarnix::IdleSpeedUp</name>
    <message>
        <source>Looking for idle time…</source>
        <translation>Suche nach Leerlauf …</translation>
    </message>
    <message>
        <source>Couldn&apos;t look for idle time: %1</source>
        <translation>Die Suche nach Leerlauf ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>No idle time found (%1 s or more without activity or change on screen)</source>
        <translation>Kein Leerlauf gefunden (%1 s oder mehr ohne Eingaben und ohne Änderung auf dem Bildschirm)</translation>
    </message>
    <message>
        <source>Idle time (%1 s) now plays at %2</source>
        <translation>Leerlauf (%1 s) läuft jetzt mit %2</translation>
    </message>
</context>
<context>
    <name>tarnix::KeyboardShortcutsSheet</name>
    <message>
        <source>Play or pause</source>
        <translation>Abspielen oder anhalten</translation>
    </message>
    <message>
        <source>Remove the selected region, or restore the selected cut</source>
        <translation>Ausgewählten Bereich entfernen oder ausgewählten Schnitt zurücknehmen</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Ctrl+wheel</source>
        <translation>Strg+Mausrad</translation>
    </message>
    <message>
        <source>Zoom the timeline about the pointer</source>
        <translation>Zeitleiste um den Mauszeiger zoomen</translation>
    </message>
    <message>
        <source>Shift+wheel</source>
        <translation>Umschalt+Mausrad</translation>
    </message>
    <message>
        <source>Scroll the timeline</source>
        <translation>Zeitleiste verschieben</translation>
    </message>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Back one frame (paused)</source>
        <translation>Ein Bild zurück (angehalten)</translation>
    </message>
    <message>
        <source>Forward one frame (paused)</source>
        <translation>Ein Bild vor (angehalten)</translation>
    </message>
    <message>
        <source>Back one second</source>
        <translation>Eine Sekunde zurück</translation>
    </message>
    <message>
        <source>Forward one second</source>
        <translation>Eine Sekunde vor</translation>
    </message>
    <message>
        <source>To the start</source>
        <translation>Zum Anfang</translation>
    </message>
    <message>
        <source>To the end</source>
        <translation>Zum Ende</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>To the previous region edge</source>
        <translation>Zur vorigen Bereichskante</translation>
    </message>
    <message>
        <source>To the next region edge</source>
        <translation>Zur nächsten Bereichskante</translation>
    </message>
    <message>
        <source>Select the next clip</source>
        <translation>Nächsten Clip auswählen</translation>
    </message>
    <message>
        <source>Select the previous clip</source>
        <translation>Vorigen Clip auswählen</translation>
    </message>
    <message>
        <source>Zoom into the timeline</source>
        <translation>In die Zeitleiste hineinzoomen</translation>
    </message>
    <message>
        <source>Zoom out of the timeline</source>
        <translation>Aus der Zeitleiste herauszoomen</translation>
    </message>
    <message>
        <source>Show the whole recording</source>
        <translation>Ganze Aufnahme zeigen</translation>
    </message>
    <message>
        <source>Play backwards (again: faster)</source>
        <translation>Rückwärts abspielen (erneut: schneller)</translation>
    </message>
</context>
<context>
    <name>tarnix::KeysPanel</name>
    <message>
        <source>No keys were recorded. Turn on “Record Keystrokes” in the recorder&apos;s menu to show them.</source>
        <translation>Es wurden keine Tasten aufgenommen. Schalten Sie „Tastendrücke aufnehmen“ im Menü der Aufnahmeleiste ein, um sie zu zeigen.</translation>
    </message>
    <message>
        <source>Show Keystrokes</source>
        <translation>Tastendrücke zeigen</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Unten</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Oben</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Stil</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
</context>
<context>
    <name>tarnix::PlayerSurface</name>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
</context>
<context>
    <name>tarnix::PortalStopShortcut</name>
    <message>
        <source>Stop recording</source>
        <translation>Aufnahme beenden</translation>
    </message>
</context>
<context>
    <name>tarnix::PreviewHandle</name>
    <message>
        <source>Camera position</source>
        <translation>Kameraposition</translation>
    </message>
    <message>
        <source>Drag to move the camera</source>
        <translation>Ziehen, um die Kamera zu verschieben</translation>
    </message>
    <message>
        <source>Blur position</source>
        <translation>Position der Unschärfe</translation>
    </message>
    <message>
        <source>Drag to move the blur</source>
        <translation>Ziehen, um die Unschärfe zu verschieben</translation>
    </message>
    <message>
        <source>Text position</source>
        <translation>Textposition</translation>
    </message>
    <message>
        <source>Drag to move the text</source>
        <translation>Ziehen, um den Text zu verschieben</translation>
    </message>
</context>
<context>
    <name>tarnix::PrivacyPanel</name>
    <message>
        <source>Add Blur at Playhead</source>
        <translation>Unschärfe am Abspielkopf</translation>
    </message>
    <message>
        <source>Blur hides passwords, messages and other private areas.</source>
        <translation>Unschärfe verbirgt Passwörter, Nachrichten und andere private Bereiche.</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Set to playhead</source>
        <translation>Auf Abspielkopf setzen</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Höhe</translation>
    </message>
    <message>
        <source>Delete Blur</source>
        <translation>Unschärfe löschen</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordButton</name>
    <message>
        <source>Stop Recording</source>
        <translation>Aufnahme beenden</translation>
    </message>
    <message>
        <source>Start Recording</source>
        <translation>Aufnahme starten</translation>
    </message>
</context>
<context>
    <name>tarnix::RecorderControlBar</name>
    <message>
        <source>More</source>
        <translation>Mehr</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Mikrofon</translation>
    </message>
    <message>
        <source>Record what the computer plays</source>
        <translation>Aufnehmen, was der Computer abspielt</translation>
    </message>
    <message>
        <source>Refresh sources — try this after granting a permission in Settings</source>
        <translation>Quellen aktualisieren – nach dem Erteilen einer Berechtigung in den Einstellungen versuchen</translation>
    </message>
    <message>
        <source>Open Recording…</source>
        <translation>Aufnahme öffnen …</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Record Keystrokes</source>
        <translation>Tastendrücke aufnehmen</translation>
    </message>
    <message>
        <source>Quit Tarnix</source>
        <translation>Tarnix beenden</translation>
    </message>
    <message>
        <source>Recording starts in a moment. Esc or the record button cancels.</source>
        <translation>Die Aufnahme beginnt gleich. Esc oder die Aufnahmetaste bricht ab.</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Countdown</source>
        <translation>Countdown</translation>
    </message>
    <message>
        <source>Recording starts in %1</source>
        <translation>Aufnahme beginnt in %1</translation>
    </message>
    <message>
        <source>Cancel Countdown</source>
        <translation>Countdown abbrechen</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingFiles</name>
    <message>
        <source>Couldn&apos;t open the recording %1: %2</source>
        <translation>Die Aufnahme %1 konnte nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>the file does not exist or is not a file.</source>
        <translation>Die Datei existiert nicht oder ist keine Datei.</translation>
    </message>
    <message>
        <source>the file can&apos;t be read.</source>
        <translation>Die Datei kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>it is not a Tarnix recording document (%1).</source>
        <translation>Sie ist kein Tarnix-Aufnahmedokument (%1).</translation>
    </message>
    <message>
        <source>the document names no screen movie.</source>
        <translation>Das Dokument nennt keinen Bildschirmfilm.</translation>
    </message>
    <message>
        <source>its screen movie %1 is missing.</source>
        <translation>Ihr Bildschirmfilm %1 fehlt.</translation>
    </message>
    <message>
        <source>Tarnix recordings (*.tarnix.json);;All files (*)</source>
        <translation>Tarnix-Aufnahmen (*.tarnix.json);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingRecovery</name>
    <message>
        <source>Couldn&apos;t read the recording journal %1.</source>
        <translation>Das Aufnahmeprotokoll %1 konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The screen movie %1 is missing, so the recording can&apos;t be recovered. Its journal was kept.</source>
        <translation>Der Bildschirmfilm %1 fehlt, daher kann die Aufnahme nicht wiederhergestellt werden. Ihr Protokoll wurde behalten.</translation>
    </message>
    <message>
        <source>The screen movie %1 is empty: the recording ended before its first frame was written. Nothing was recovered and nothing was deleted.</source>
        <translation>Der Bildschirmfilm %1 ist leer: Die Aufnahme endete, bevor ihr erstes Bild geschrieben wurde. Es wurde nichts wiederhergestellt und nichts gelöscht.</translation>
    </message>
    <message>
        <source>Couldn&apos;t read the screen movie %1: %2 Nothing was recovered and nothing was deleted.</source>
        <translation>Der Bildschirmfilm %1 konnte nicht gelesen werden: %2 Es wurde nichts wiederhergestellt und nichts gelöscht.</translation>
    </message>
    <message>
        <source>The recording journal %1 doesn&apos;t say which recording it belongs to, so nothing can be recovered from it.</source>
        <translation>Das Aufnahmeprotokoll %1 sagt nicht, zu welcher Aufnahme es gehört, daher lässt sich nichts daraus wiederherstellen.</translation>
    </message>
    <message>
        <source>The camera file %1 can&apos;t be played, so the recording leaves it out; the file was kept.</source>
        <translation>Die Kameradatei %1 lässt sich nicht abspielen, daher lässt die Aufnahme sie weg; die Datei wurde behalten.</translation>
    </message>
    <message>
        <source>The microphone file %1 can&apos;t be played, so the recording leaves it out; the file was kept.</source>
        <translation>Die Mikrofondatei %1 lässt sich nicht abspielen, daher lässt die Aufnahme sie weg; die Datei wurde behalten.</translation>
    </message>
    <message>
        <source>The recording journal was kept.</source>
        <translation>Das Aufnahmeprotokoll wurde behalten.</translation>
    </message>
    <message>
        <source>The screen movie %1 ends in a part that was still being written when the recording was cut off, and even without that part it can&apos;t be played: %2 Nothing was recovered, and every file was left as it was.</source>
        <translation>Der Bildschirmfilm %1 endet in einem Teil, der noch geschrieben wurde, als die Aufnahme abbrach, und auch ohne diesen Teil lässt er sich nicht abspielen: %2 Es wurde nichts wiederhergestellt, und alle Dateien blieben, wie sie waren.</translation>
    </message>
    <message>
        <source>%1 ended in a part that was still being written when the recording was cut off, which held nothing that plays: that part (%2 bytes) was removed, and the %3 seconds before it were kept.</source>
        <translation>%1 endete in einem Teil, der noch geschrieben wurde, als die Aufnahme abbrach, und nichts Abspielbares enthielt: Dieser Teil (%2 Bytes) wurde entfernt, die %3 Sekunden davor blieben erhalten.</translation>
    </message>
    <message>
        <source>Couldn&apos;t repair %1: %2 Nothing was recovered; the recording journal was kept.</source>
        <translation>%1 konnte nicht repariert werden: %2 Es wurde nichts wiederhergestellt; das Aufnahmeprotokoll wurde behalten.</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingSession</name>
    <message>
        <source>Recovery after a crash won&apos;t be possible for this recording: %1</source>
        <translation>Nach einem Absturz lässt sich diese Aufnahme nicht wiederherstellen: %1</translation>
    </message>
    <message>
        <source>The recording&apos;s safety copy can&apos;t be written (%1); the recording goes on, but a crash now would lose its cursor and clicks.</source>
        <translation>Die Sicherheitskopie der Aufnahme kann nicht geschrieben werden (%1); die Aufnahme läuft weiter, aber ein Absturz jetzt würde ihren Mauszeiger und ihre Klicks verlieren.</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingStatus</name>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>%1 frames · %2 clicks</source>
        <translation>%1 Bilder · %2 Klicks</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Pausiert</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingTrayIcon</name>
    <message>
        <source>Tarnix is recording — click to stop</source>
        <translation>Tarnix nimmt auf – zum Beenden klicken</translation>
    </message>
    <message>
        <source>Stop Recording</source>
        <translation>Aufnahme beenden</translation>
    </message>
    <message>
        <source>Pause Recording</source>
        <translation>Aufnahme pausieren</translation>
    </message>
    <message>
        <source>Resume Recording</source>
        <translation>Aufnahme fortsetzen</translation>
    </message>
</context>
<context>
    <name>tarnix::SidebarPanel</name>
    <message>
        <source>Strength</source>
        <translation>Stärke</translation>
    </message>
</context>
<context>
    <name>tarnix::SidebarRules</name>
    <message>
        <source>1 zoom</source>
        <translation>1 Zoom</translation>
    </message>
    <message>
        <source>%1 zooms</source>
        <translation>%1 Zooms</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Original</translation>
    </message>
</context>
<context>
    <name>tarnix::SourceKind</name>
    <message>
        <source>Display</source>
        <translation>Bildschirm</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>Fenster</translation>
    </message>
    <message>
        <source>App</source>
        <translation>App</translation>
    </message>
    <message>
        <source>Area</source>
        <translation>Bereich</translation>
    </message>
</context>
<context>
    <name>tarnix::SourceKindPicker</name>
    <message>
        <source>None available</source>
        <translation>Nichts verfügbar</translation>
    </message>
    <message>
        <source>Record a whole application</source>
        <translation>Eine ganze Anwendung aufnehmen</translation>
    </message>
    <message>
        <source>Record a single window</source>
        <translation>Ein einzelnes Fenster aufnehmen</translation>
    </message>
    <message>
        <source>Record a whole display</source>
        <translation>Einen ganzen Bildschirm aufnehmen</translation>
    </message>
    <message>
        <source>Record an area of a display</source>
        <translation>Einen Bereich eines Bildschirms aufnehmen</translation>
    </message>
</context>
<context>
    <name>tarnix::SpeedPicker</name>
    <message>
        <source>Speed</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>Speed %1</source>
        <translation>Tempo %1</translation>
    </message>
    <message>
        <source>Play the segment %1 as fast</source>
        <translation>Den Abschnitt %1 so schnell abspielen</translation>
    </message>
    <message>
        <source>Play the segment at %1 of its speed</source>
        <translation>Den Abschnitt mit %1 seines Tempos abspielen</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioExporter</name>
    <message>
        <source>Export failed: %1</source>
        <translation>Export fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t create an export session.</source>
        <translation>Es konnte kein Export gestartet werden.</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioFormatting</name>
    <message>
        <source>1 zoom</source>
        <translation>1 Zoom</translation>
    </message>
    <message>
        <source>%1 zooms</source>
        <translation>%1 Zooms</translation>
    </message>
    <message>
        <source>%1 · %2 clicks detected</source>
        <translation>%1 · %2 Klicks erkannt</translation>
    </message>
    <message>
        <source>Exporting… %1%</source>
        <translation>Exportiere … %1 %</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioIconRail</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioPlayback</name>
    <message>
        <source>No recording to open.</source>
        <translation>Keine Aufnahme zum Öffnen.</translation>
    </message>
    <message>
        <source>Couldn&apos;t load recording: %1</source>
        <translation>Die Aufnahme konnte nicht geladen werden: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t play the recording: %1</source>
        <translation>Die Aufnahme kann nicht abgespielt werden: %1</translation>
    </message>
    <message>
        <source>The cuts leave nothing of this recording: restore a cut to play or export it.</source>
        <translation>Die Schnitte lassen nichts von dieser Aufnahme übrig: Nehmen Sie einen Schnitt zurück, um sie abzuspielen oder zu exportieren.</translation>
    </message>
    <message>
        <source>Couldn&apos;t refresh preview: %1</source>
        <translation>Die Vorschau konnte nicht aktualisiert werden: %1</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioSession</name>
    <message>
        <source>This recording is also open in another Studio window.</source>
        <translation>Diese Aufnahme ist auch in einem anderen Studio-Fenster geöffnet.</translation>
    </message>
    <message>
        <source>Another Studio window saved changes to this recording.</source>
        <translation>Ein anderes Studio-Fenster hat Änderungen an dieser Aufnahme gespeichert.</translation>
    </message>
    <message>
        <source>This recording&apos;s file was changed by another program.</source>
        <translation>Die Datei dieser Aufnahme wurde von einem anderen Programm geändert.</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioSidebarView</name>
    <message>
        <source>Choose Image</source>
        <translation>Bild wählen</translation>
    </message>
    <message>
        <source>Images (*.png *.jpg *.jpeg *.webp *.bmp *.gif *.tif *.tiff *.svg *.heic *.avif)</source>
        <translation>Bilder (*.png *.jpg *.jpeg *.webp *.bmp *.gif *.tif *.tiff *.svg *.heic *.avif)</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Top Left</source>
        <translation>Oben links</translation>
    </message>
    <message>
        <source>Top Right</source>
        <translation>Oben rechts</translation>
    </message>
    <message>
        <source>Bottom Left</source>
        <translation>Unten links</translation>
    </message>
    <message>
        <source>Bottom Right</source>
        <translation>Unten rechts</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioToolbar</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Studio</source>
        <translation>Studio</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>More</source>
        <translation>Mehr</translation>
    </message>
    <message>
        <source>Export format and resolution</source>
        <translation>Exportformat und Auflösung</translation>
    </message>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>GIF</source>
        <translation>GIF</translation>
    </message>
    <message>
        <source>Cancel export</source>
        <translation>Export abbrechen</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Frame rate: %1</source>
        <translation>Bildrate: %1</translation>
    </message>
    <message>
        <source>The recording has 30 frames a second or fewer</source>
        <translation>Die Aufnahme hat 30 Bilder pro Sekunde oder weniger</translation>
    </message>
    <message>
        <source> · %1 fps</source>
        <translation> · %1 fps</translation>
    </message>
    <message>
        <source>Even out loudness</source>
        <translation>Lautstärke angleichen</translation>
    </message>
    <message>
        <source>Speed Up Idle Time</source>
        <translation>Leerlauf beschleunigen</translation>
    </message>
    <message>
        <source>Play the stretches where nothing happens 8 times as fast</source>
        <translation>Die Stellen, an denen nichts geschieht, 8-mal so schnell abspielen</translation>
    </message>
    <message>
        <source>Looking for Idle Time…</source>
        <translation>Suche nach Leerlauf …</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioView</name>
    <message>
        <source>Preview handles</source>
        <translation>Vorschau-Griffe</translation>
    </message>
    <message>
        <source>Studio</source>
        <translation>Studio</translation>
    </message>
    <message>
        <source>Remove all</source>
        <translation>Alle entfernen</translation>
    </message>
    <message>
        <source>Restore cut</source>
        <translation>Schnitt zurücknehmen</translation>
    </message>
    <message>
        <source>Put the selected cut back into the movie (Delete)</source>
        <translation>Den ausgewählten Schnitt wieder in den Film einfügen (Entf)</translation>
    </message>
    <message>
        <source>Timeline</source>
        <translation>Zeitleiste</translation>
    </message>
    <message>
        <source>Show in Files</source>
        <translation>Im Dateimanager zeigen</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Neu laden</translation>
    </message>
    <message>
        <source>Show the changes saved elsewhere (your edits stay one undo away)</source>
        <translation>Die anderswo gespeicherten Änderungen zeigen (Ihre Bearbeitungen bleiben mit einem Rückgängig erreichbar)</translation>
    </message>
    <message>
        <source>Keep mine</source>
        <translation>Meine behalten</translation>
    </message>
    <message>
        <source>Save your edits over the changes made elsewhere</source>
        <translation>Ihre Bearbeitungen über die anderswo gemachten Änderungen speichern</translation>
    </message>
    <message>
        <source>Your edits are not saved until you choose.</source>
        <translation>Ihre Bearbeitungen werden erst gespeichert, wenn Sie sich entscheiden.</translation>
    </message>
    <message>
        <source>Stop the export?</source>
        <translation>Export abbrechen?</translation>
    </message>
    <message>
        <source>An export is still running. Closing the Studio stops it, and nothing of the unfinished file is kept.</source>
        <translation>Ein Export läuft noch. Wenn Sie das Studio schließen, wird er abgebrochen, und von der unfertigen Datei bleibt nichts erhalten.</translation>
    </message>
    <message>
        <source>Stop Export and Close</source>
        <translation>Export abbrechen und schließen</translation>
    </message>
    <message>
        <source>Keep Exporting</source>
        <translation>Weiter exportieren</translation>
    </message>
    <message>
        <source>Save your edits?</source>
        <translation>Bearbeitungen speichern?</translation>
    </message>
    <message>
        <source>Your latest edits are not in the file.</source>
        <translation>Ihre letzten Bearbeitungen sind nicht in der Datei.</translation>
    </message>
    <message>
        <source>Keep Mine and Close</source>
        <translation>Meine behalten und schließen</translation>
    </message>
    <message>
        <source>Close without Saving</source>
        <translation>Ohne Speichern schließen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Something went wrong</source>
        <translation>Etwas ist schiefgelaufen</translation>
    </message>
    <message>
        <source>Exported to %1</source>
        <translation>Exportiert nach %1</translation>
    </message>
    <message>
        <source>Preparing the preview…</source>
        <translation>Vorschau wird vorbereitet …</translation>
    </message>
</context>
<context>
    <name>tarnix::TextPanel</name>
    <message>
        <source>Add Text at Playhead</source>
        <translation>Text an der Abspielposition hinzufügen</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Text shows titles, steps and notes over the picture. Drag on the text track to add some.</source>
        <translation>Text zeigt Titel, Schritte und Hinweise über dem Bild. Ziehen Sie auf der Textspur, um welchen hinzuzufügen.</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Hintergrund</translation>
    </message>
    <message>
        <source>Delete Text</source>
        <translation>Text löschen</translation>
    </message>
</context>
<context>
    <name>tarnix::TimelineView</name>
    <message>
        <source>Timeline</source>
        <translation>Zeitleiste</translation>
    </message>
    <message>
        <source>Scroll the timeline</source>
        <translation>Zeitleiste verschieben</translation>
    </message>
    <message>
        <source>The movie starts at %1</source>
        <translation>Der Film beginnt bei %1</translation>
    </message>
    <message>
        <source>The movie ends at %1</source>
        <translation>Der Film endet bei %1</translation>
    </message>
    <message>
        <source>Drag here to cut a part out · drag the grips at the ends to trim</source>
        <translation>Hier ziehen, um einen Teil herauszuschneiden · die Griffe an den Enden ziehen, um zu kürzen</translation>
    </message>
    <message>
        <source>Drag here to speed a part up or slow it down</source>
        <translation>Hier ziehen, um einen Teil schneller oder langsamer abzuspielen</translation>
    </message>
</context>
<context>
    <name>tarnix::TimelineZoomControls</name>
    <message>
        <source>Zoom out of the timeline (-)</source>
        <translation>Aus der Zeitleiste herauszoomen (-)</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Herauszoomen</translation>
    </message>
    <message>
        <source>Timeline zoom</source>
        <translation>Zoom der Zeitleiste</translation>
    </message>
    <message>
        <source>Zoom into the timeline (+)</source>
        <translation>In die Zeitleiste hineinzoomen (+)</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Hineinzoomen</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>Show the whole recording (Shift+Z)</source>
        <translation>Ganze Aufnahme zeigen (Umschalt+Z)</translation>
    </message>
</context>
<context>
    <name>tarnix::TransportBar</name>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Back 5 seconds</source>
        <translation>5 Sekunden zurück</translation>
    </message>
    <message>
        <source>Forward 5 seconds</source>
        <translation>5 Sekunden vor</translation>
    </message>
    <message>
        <source>Playhead time</source>
        <translation>Zeit des Abspielkopfs</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
</context>
<context>
    <name>tarnix::TrimHandleView</name>
    <message>
        <source>Trim start</source>
        <translation>Anfang kürzen</translation>
    </message>
    <message>
        <source>Trim end</source>
        <translation>Ende kürzen</translation>
    </message>
    <message>
        <source>Drag to trim the start of the recording</source>
        <translation>Ziehen, um den Anfang der Aufnahme zu kürzen</translation>
    </message>
    <message>
        <source>Drag to trim the end of the recording</source>
        <translation>Ziehen, um das Ende der Aufnahme zu kürzen</translation>
    </message>
</context>
<context>
    <name>tarnix::UpdateChecker</name>
    <message>
        <source>Version %1 is available — you&apos;re on %2.</source>
        <translation>Version %1 ist verfügbar – Sie verwenden %2.</translation>
    </message>
    <message>
        <source>A new version of Tarnix is available</source>
        <translation>Eine neue Version von Tarnix ist verfügbar</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>You&apos;re up to date</source>
        <translation>Tarnix ist aktuell</translation>
    </message>
    <message>
        <source>Tarnix %1 is the latest version.</source>
        <translation>Tarnix %1 ist die neueste Version.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>Check your internet connection and try again.</source>
        <translation>Prüfen Sie Ihre Internetverbindung und versuchen Sie es erneut.</translation>
    </message>
</context>
<context>
    <name>tarnix::ZoomPanel</name>
    <message>
        <source>Drag across the zoom track to add a zoom.</source>
        <translation>Ziehen Sie über die Zoomspur, um einen Zoom hinzuzufügen.</translation>
    </message>
    <message>
        <source>Zoom level</source>
        <translation>Zoomstufe</translation>
    </message>
    <message>
        <source>Delete Zoom</source>
        <translation>Zoom löschen</translation>
    </message>
</context>
</TS>
