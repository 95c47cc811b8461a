<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>QObject</name>
    <message>
        <source>Recover recording?</source>
        <translation>¿Recuperar la grabación?</translation>
    </message>
    <message>
        <source>Tarnix ended while recording &quot;%1&quot;, before its cursor, clicks and zooms were saved. They were kept as the recording went on and can be put back now. Discard keeps the movie without them.</source>
        <translation>Tarnix se cerró mientras grababa «%1», antes de guardar el cursor, los clics y los zooms. Se fueron conservando durante la grabación y ahora pueden recuperarse. «Descartar» conserva el vídeo sin ellos.</translation>
    </message>
    <message>
        <source>Couldn&apos;t recover the recording</source>
        <translation>No se pudo recuperar la grabación</translation>
    </message>
    <message>
        <source>Something went wrong</source>
        <translation>Algo salió mal</translation>
    </message>
    <message>
        <source>No file manager could be opened. The file is in %1.</source>
        <translation>No se pudo abrir ningún gestor de archivos. El archivo está en %1.</translation>
    </message>
    <message>
        <source>Open Recording</source>
        <translation>Abrir grabación</translation>
    </message>
    <message>
        <source>Recover recording</source>
        <translation>Recuperar grabación</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Descartar</translation>
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
        <translation>Cámara</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Fondo</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Cursor</source>
        <translation>Cursor</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Privacidad</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Texto</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Teclas</translation>
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
        <translation>Corte %1</translation>
    </message>
    <message>
        <source>Zoom %1, %2</source>
        <translation>Zoom %1, %2</translation>
    </message>
    <message>
        <source>Blur %1</source>
        <translation>Desenfoque %1</translation>
    </message>
    <message>
        <source>Text &quot;%1&quot; %2</source>
        <translation>Texto «%1» %2</translation>
    </message>
    <message>
        <source>Speed %1 %2</source>
        <translation>Velocidad %1 %2</translation>
    </message>
    <message>
        <source>Restore Cut</source>
        <translation>Restaurar corte</translation>
    </message>
    <message>
        <source>Delete Zoom</source>
        <translation>Eliminar zoom</translation>
    </message>
    <message>
        <source>Delete Blur</source>
        <translation>Eliminar desenfoque</translation>
    </message>
    <message>
        <source>Delete Text</source>
        <translation>Eliminar texto</translation>
    </message>
    <message>
        <source>Delete Speed</source>
        <translation>Eliminar velocidad</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>The recording was stopped and saved.</source>
        <translation>La grabación se detuvo y se guardó.</translation>
    </message>
</context>
<context>
    <name>tarnix::AppAlert</name>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>tarnix::AreaOverlay</name>
    <message>
        <source>Choose the area to record</source>
        <translation>Elija el área que grabar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Grabar</translation>
    </message>
    <message>
        <source>Drag to choose the area to record · Esc cancels</source>
        <translation>Arrastre para elegir el área que grabar · Esc cancela</translation>
    </message>
</context>
<context>
    <name>tarnix::AudioPanel</name>
    <message>
        <source>System Audio</source>
        <translation>Audio interno</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Micrófono</translation>
    </message>
    <message>
        <source>This recording has no sound.</source>
        <translation>Esta grabación no tiene sonido.</translation>
    </message>
    <message>
        <source>Reduce Noise</source>
        <translation>Reducir ruido</translation>
    </message>
    <message>
        <source>Lowers the microphone&apos;s steady hiss and hum</source>
        <translation>Atenúa el siseo y el zumbido constantes del micrófono</translation>
    </message>
    <message>
        <source>Noise reduction strength</source>
        <translation>Intensidad de la reducción de ruido</translation>
    </message>
</context>
<context>
    <name>tarnix::BackgroundPanel</name>
    <message>
        <source>Aspect</source>
        <translation>Proporción</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Estilo</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Ninguno</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>Gradient</source>
        <translation>Degradado</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Imagen</translation>
    </message>
    <message>
        <source>The recording fills the whole frame.</source>
        <translation>La grabación ocupa todo el encuadre.</translation>
    </message>
    <message>
        <source>Padding</source>
        <translation>Margen</translation>
    </message>
    <message>
        <source>Corner Radius</source>
        <translation>Radio de esquina</translation>
    </message>
    <message>
        <source>Shadow</source>
        <translation>Sombra</translation>
    </message>
    <message>
        <source>No image chosen</source>
        <translation>Ninguna imagen elegida</translation>
    </message>
    <message>
        <source>Loading…</source>
        <translation>Cargando…</translation>
    </message>
    <message>
        <source>Choose Image…</source>
        <translation>Elegir imagen…</translation>
    </message>
    <message>
        <source>System Wallpapers</source>
        <translation>Fondos de escritorio del sistema</translation>
    </message>
    <message>
        <source>Looking for wallpapers…</source>
        <translation>Buscando fondos de escritorio…</translation>
    </message>
    <message>
        <source>No wallpapers are installed.</source>
        <translation>No hay fondos de escritorio instalados.</translation>
    </message>
</context>
<context>
    <name>tarnix::CameraPanel</name>
    <message>
        <source>This recording has no camera.</source>
        <translation>Esta grabación no tiene cámara.</translation>
    </message>
    <message>
        <source>Show Camera</source>
        <translation>Mostrar cámara</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Reflejar</translation>
    </message>
    <message>
        <source>Shape</source>
        <translation>Forma</translation>
    </message>
    <message>
        <source>Circle</source>
        <translation>Círculo</translation>
    </message>
    <message>
        <source>Rounded</source>
        <translation>Redondeada</translation>
    </message>
    <message>
        <source>Corner Radius</source>
        <translation>Radio de esquina</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Posición</translation>
    </message>
    <message>
        <source>Choose Corner</source>
        <translation>Elegir esquina</translation>
    </message>
    <message>
        <source>Or drag the camera on the preview.</source>
        <translation>O arrastra la cámara en la vista previa.</translation>
    </message>
</context>
<context>
    <name>tarnix::CaptureMessages</name>
    <message>
        <source>Couldn&apos;t list capture sources (%1). On X11, check that the X server is running; on Wayland, that the desktop&apos;s screen-sharing portal (xdg-desktop-portal) is. Click ↻ to retry; if that still doesn&apos;t work, quit and reopen Tarnix (a newly opened display is sometimes only picked up after a relaunch).</source>
        <translation>No se pudieron listar las fuentes de captura (%1). En X11, comprueba que el servidor X está en marcha; en Wayland, que lo está el portal para compartir pantalla del escritorio (xdg-desktop-portal). Haz clic en ↻ para reintentarlo; si sigue sin funcionar, cierra Tarnix y vuelve a abrirlo (a veces una pantalla recién conectada solo se detecta tras reiniciar).</translation>
    </message>
    <message>
        <source>Failed to start recording: %1</source>
        <translation>No se pudo iniciar la grabación: %1</translation>
    </message>
    <message>
        <source>Writer failed to start: %1</source>
        <translation>No se pudo iniciar la escritura del vídeo: %1</translation>
    </message>
    <message>
        <source>Capture stopped: %1</source>
        <translation>La captura se detuvo: %1</translation>
    </message>
    <message>
        <source>Failed to stop cleanly: %1</source>
        <translation>No se pudo detener limpiamente: %1</translation>
    </message>
    <message>
        <source>Export failed: %1</source>
        <translation>La exportación falló: %1</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>error desconocido</translation>
    </message>
    <message>
        <source>the window being recorded was closed</source>
        <translation>se cerró la ventana que se estaba grabando</translation>
    </message>
    <message>
        <source>No frames were captured, so the recording is empty. Check that the display or window you chose is on screen and, on Wayland, that the desktop is still sharing it.</source>
        <translation>No se capturó ningún fotograma, así que la grabación está vacía. Comprueba que la pantalla o ventana elegida está visible y, en Wayland, que el escritorio todavía la comparte.</translation>
    </message>
    <message>
        <source>this Wayland desktop offers no screen-sharing portal (start xdg-desktop-portal with a backend for your desktop, such as xdg-desktop-portal-gnome, -kde or -wlr)</source>
        <translation>este escritorio Wayland no ofrece un portal para compartir pantalla (inicia xdg-desktop-portal con un backend para tu escritorio, como xdg-desktop-portal-gnome, -kde o -wlr)</translation>
    </message>
    <message>
        <source>This desktop doesn&apos;t share the pointer&apos;s position: the pointer is recorded in the picture and can&apos;t be restyled later.</source>
        <translation>Este escritorio no comparte la posición del puntero: el puntero se graba en la imagen y no se podrá cambiar su estilo después.</translation>
    </message>
    <message>
        <source>The desktop was asked for the pointer&apos;s position but sent none during this recording, so the recording has no pointer.</source>
        <translation>Se pidió al escritorio la posición del puntero, pero no envió ninguna durante esta grabación, así que la grabación no tiene puntero.</translation>
    </message>
    <message>
        <source>The desktop ended the screen sharing, so the recording stopped there and was saved.</source>
        <translation>El escritorio dejó de compartir la pantalla, así que la grabación se detuvo ahí y se guardó.</translation>
    </message>
    <message>
        <source>This desktop doesn&apos;t share clicks: none are recorded, and automatic zoom follows keyboard focus only.</source>
        <translation>Este escritorio no comparte los clics: no se graba ninguno y el zoom automático solo sigue el foco del teclado.</translation>
    </message>
    <message>
        <source>Keys pressed aren&apos;t recorded: %1</source>
        <translation>No se graban las teclas pulsadas: %1</translation>
    </message>
    <message>
        <source>Stop from the screen-sharing indicator in the top bar.</source>
        <translation>Detén la grabación desde el indicador de pantalla compartida de la barra superior.</translation>
    </message>
    <message>
        <source>This desktop doesn&apos;t offer a shortcut to stop the recording: stop it from the tray icon.</source>
        <translation>Este escritorio no ofrece un atajo para detener la grabación: detenla desde el icono de la bandeja.</translation>
    </message>
    <message>
        <source>Camera access wasn&apos;t granted. Enable it by giving your user access to /dev/video* (add it to the video group), then relaunch Tarnix.</source>
        <translation>No se concedió acceso a la cámara. Dale a tu usuario acceso a /dev/video* (añádelo al grupo video) y vuelve a abrir Tarnix.</translation>
    </message>
    <message>
        <source>Couldn&apos;t use the selected camera.</source>
        <translation>No se pudo usar la cámara seleccionada.</translation>
    </message>
    <message>
        <source>Couldn&apos;t use the selected microphone.</source>
        <translation>No se pudo usar el micrófono seleccionado.</translation>
    </message>
    <message>
        <source>Camera recording failed: %1</source>
        <translation>La grabación de la cámara falló: %1</translation>
    </message>
    <message>
        <source>Microphone access wasn&apos;t granted. Enable it by starting a PulseAudio or PipeWire sound server, then relaunch Tarnix.</source>
        <translation>No se concedió acceso al micrófono. Inicia un servidor de sonido PulseAudio o PipeWire y vuelve a abrir Tarnix.</translation>
    </message>
    <message>
        <source>Couldn&apos;t reach a sound server (%1), so there are no microphones to list. Start PulseAudio or PipeWire with its PulseAudio service, then try again.</source>
        <translation>No se pudo contactar con un servidor de sonido (%1), así que no hay micrófonos que listar. Inicia PulseAudio o PipeWire con su servicio PulseAudio y vuelve a intentarlo.</translation>
    </message>
    <message>
        <source>Microphone wasn&apos;t ready — deselect and reselect it, then try again.</source>
        <translation>El micrófono no estaba listo: deselecciónalo, vuelve a seleccionarlo e inténtalo de nuevo.</translation>
    </message>
    <message>
        <source>Microphone recording failed: %1</source>
        <translation>La grabación del micrófono falló: %1</translation>
    </message>
    <message>
        <source>System audio</source>
        <translation>El audio interno</translation>
    </message>
    <message>
        <source>The microphone</source>
        <translation>El micrófono</translation>
    </message>
    <message>
        <source>System audio and the microphone</source>
        <translation>El audio interno y el micrófono</translation>
    </message>
    <message>
        <source>the sound server stopped</source>
        <translation>el servidor de sonido se detuvo</translation>
    </message>
    <message>
        <source>the sound source went away (%1)</source>
        <translation>la fuente de sonido desapareció (%1)</translation>
    </message>
    <message>
        <source>%1 are missing since %2: %3. Recording goes on.</source>
        <translation>%1 faltan desde %2: %3. La grabación continúa.</translation>
    </message>
    <message>
        <source>%1 is missing since %2: %3. Recording goes on.</source>
        <translation>%1 falta desde %2: %3. La grabación continúa.</translation>
    </message>
    <message>
        <source>%1 were missing for %2 s from %3: %4.</source>
        <translation>%1 faltaron durante %2 s desde %3: %4.</translation>
    </message>
    <message>
        <source>%1 was missing for %2 s from %3: %4.</source>
        <translation>%1 faltó durante %2 s desde %3: %4.</translation>
    </message>
    <message>
        <source>%1 are missing from %2 to the end (%3 s): %4.</source>
        <translation>%1 faltan desde %2 hasta el final (%3 s): %4.</translation>
    </message>
    <message>
        <source>%1 is missing from %2 to the end (%3 s): %4.</source>
        <translation>%1 falta desde %2 hasta el final (%3 s): %4.</translation>
    </message>
    <message>
        <source>%1 were missing %2 times, %3 s in all, first at %4: %5.</source>
        <translation>%1 faltaron %2 veces, %3 s en total, la primera en %4: %5.</translation>
    </message>
    <message>
        <source>%1 was missing %2 times, %3 s in all, first at %4: %5.</source>
        <translation>%1 faltó %2 veces, %3 s en total, la primera en %4: %5.</translation>
    </message>
    <message>
        <source>The display changed size back to %1 at %2.</source>
        <translation>La pantalla volvió al tamaño %1 en %2.</translation>
    </message>
    <message>
        <source>The display changed size to %1 at %2: from there the picture is scaled to fit the movie&apos;s %3 frame.</source>
        <translation>La pantalla cambió de tamaño a %1 en %2: desde ahí la imagen se escala para ajustarse al encuadre de %3 del vídeo.</translation>
    </message>
    <message>
        <source>The display changed size %1 times, first at %2 (to %3), last at %4 (to %5): where its size differs from the movie&apos;s %6 frame, the picture is scaled to fit it.</source>
        <translation>La pantalla cambió de tamaño %1 veces, la primera en %2 (a %3) y la última en %4 (a %5): donde su tamaño difiere del encuadre de %6 del vídeo, la imagen se escala para ajustarse.</translation>
    </message>
    <message>
        <source>the chosen area lies outside the display the desktop shared; choose the area again</source>
        <translation>el área elegida queda fuera de la pantalla que compartió el escritorio; vuelva a elegir el área</translation>
    </message>
    <message>
        <source>the chosen area is no longer on the display; choose the area again</source>
        <translation>el área elegida ya no está en la pantalla; vuelva a elegir el área</translation>
    </message>
    <message>
        <source>The movie can&apos;t be written any more, so the recording stopped; what was recorded until then is kept. (%1)</source>
        <translation>El vídeo ya no se puede escribir, así que la grabación se detuvo; lo grabado hasta entonces se conserva. (%1)</translation>
    </message>
</context>
<context>
    <name>tarnix::CompositionBuilder</name>
    <message>
        <source>Nothing is left to export: the cuts remove the whole recording.</source>
        <translation>No queda nada que exportar: los cortes quitan toda la grabación.</translation>
    </message>
    <message>
        <source>The camera file %1 holds no video; the camera bubble is left out.</source>
        <translation>El archivo de cámara %1 no contiene vídeo; se omite la burbuja de cámara.</translation>
    </message>
    <message>
        <source>The camera file %1 could not be read (%2); the camera bubble is left out.</source>
        <translation>No se pudo leer el archivo de cámara %1 (%2); se omite la burbuja de cámara.</translation>
    </message>
    <message>
        <source>The microphone file %1 holds no sound; the microphone&apos;s sound is left out.</source>
        <translation>El archivo de micrófono %1 no contiene sonido; se omite el sonido del micrófono.</translation>
    </message>
    <message>
        <source>The microphone file %1 could not be read (%2); the microphone&apos;s sound is left out.</source>
        <translation>No se pudo leer el archivo de micrófono %1 (%2); se omite el sonido del micrófono.</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>no existe</translation>
    </message>
    <message>
        <source>it is empty</source>
        <translation>está vacío</translation>
    </message>
    <message>
        <source>The screen movie “%1” is cut short before its first picture.</source>
        <translation>El vídeo de pantalla «%1» se corta antes de su primera imagen.</translation>
    </message>
    <message>
        <source>The screen movie ends at %1 s of its %2 s (the file is cut short); the edited movie ends there too.</source>
        <translation>El vídeo de pantalla termina en %1 s de sus %2 s (el archivo está cortado); el vídeo editado también termina ahí.</translation>
    </message>
    <message>
        <source>No video track found in the recording.</source>
        <translation>No se encontró ninguna pista de vídeo en la grabación.</translation>
    </message>
</context>
<context>
    <name>tarnix::CompositorError</name>
    <message>
        <source>Missing a source frame while rendering.</source>
        <translation>Faltó un fotograma de origen al renderizar.</translation>
    </message>
    <message>
        <source>Couldn&apos;t allocate a render buffer.</source>
        <translation>No se pudo reservar un búfer de renderizado.</translation>
    </message>
</context>
<context>
    <name>tarnix::ControlBarModel</name>
    <message>
        <source>Entire Display (%1×%2)</source>
        <translation>Pantalla completa (%1×%2)</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Desconocida</translation>
    </message>
    <message>
        <source>No Camera</source>
        <translation>Sin cámara</translation>
    </message>
    <message>
        <source>No Microphone</source>
        <translation>Sin micrófono</translation>
    </message>
    <message>
        <source>System Audio</source>
        <translation>Audio interno</translation>
    </message>
    <message>
        <source>No System Audio</source>
        <translation>Sin audio interno</translation>
    </message>
    <message>
        <source>%1 frames · %2 clicks</source>
        <translation>%1 fotogramas · %2 clics</translation>
    </message>
    <message>
        <source>Couldn&apos;t use that camera: %1</source>
        <translation>No se pudo usar esa cámara: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t use that microphone: %1</source>
        <translation>No se pudo usar ese micrófono: %1</translation>
    </message>
    <message>
        <source>Choose an area…</source>
        <translation>Elegir un área…</translation>
    </message>
    <message>
        <source>Choose an area of %1…</source>
        <translation>Elegir un área de %1…</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Reanudar</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausa</translation>
    </message>
    <message>
        <source>The camera “%1” is no longer connected: no camera is recorded until it is back.</source>
        <translation>La cámara «%1» ya no está conectada: no se graba ninguna cámara hasta que vuelva.</translation>
    </message>
    <message>
        <source>The microphone “%1” is no longer connected: no microphone is recorded until it is back.</source>
        <translation>El micrófono «%1» ya no está conectado: no se graba ningún micrófono hasta que vuelva.</translation>
    </message>
</context>
<context>
    <name>tarnix::CursorPanel</name>
    <message>
        <source>Show Cursor</source>
        <translation>Mostrar cursor</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Estilo</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
    <message>
        <source>Dot</source>
        <translation>Punto</translation>
    </message>
    <message>
        <source>Ring</source>
        <translation>Anillo</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Click Ripples</source>
        <translation>Ondas de clic</translation>
    </message>
    <message>
        <source>Smooth movement</source>
        <translation>Movimiento suave</translation>
    </message>
    <message>
        <source>Smoothing strength</source>
        <translation>Intensidad del suavizado</translation>
    </message>
</context>
<context>
    <name>tarnix::DesktopNotifier</name>
    <message>
        <source>Recording stopped</source>
        <translation>Grabación detenida</translation>
    </message>
</context>
<context>
    <name>tarnix::DocumentFiles</name>
    <message>
        <source>Couldn&apos;t save the recording&apos;s document %1: %2 (%3).</source>
        <translation>No se pudo guardar el documento de la grabación %1: %2 (%3).</translation>
    </message>
</context>
<context>
    <name>tarnix::DocumentSaver</name>
    <message>
        <source>%1 (your edits)</source>
        <translation>%1 (sus cambios)</translation>
    </message>
    <message>
        <source>%1 (your edits %2)</source>
        <translation>%1 (sus cambios %2)</translation>
    </message>
</context>
<context>
    <name>tarnix::ExportNotifier</name>
    <message>
        <source>Export finished</source>
        <translation>Exportación terminada</translation>
    </message>
    <message>
        <source>%1 is in %2</source>
        <translation>%1 está en %2</translation>
    </message>
    <message>
        <source>Show in Files</source>
        <translation>Mostrar en Archivos</translation>
    </message>
    <message>
        <source>Export failed</source>
        <translation>La exportación falló</translation>
    </message>
</context>
<context>
    <name>tarnix::ExportResolution</name>
    <message>
        <source>Source Quality</source>
        <translation>Calidad original</translation>
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
        <translation>Buscando tiempo inactivo…</translation>
    </message>
    <message>
        <source>Couldn&apos;t look for idle time: %1</source>
        <translation>No se pudo buscar tiempo inactivo: %1</translation>
    </message>
    <message>
        <source>No idle time found (%1 s or more without activity or change on screen)</source>
        <translation>No se encontró tiempo inactivo (%1 s o más sin actividad ni cambios en pantalla)</translation>
    </message>
    <message>
        <source>Idle time (%1 s) now plays at %2</source>
        <translation>El tiempo inactivo (%1 s) se reproduce ahora a %2</translation>
    </message>
</context>
<context>
    <name>tarnix::KeyboardShortcutsSheet</name>
    <message>
        <source>Play or pause</source>
        <translation>Reproducir o pausar</translation>
    </message>
    <message>
        <source>Remove the selected region, or restore the selected cut</source>
        <translation>Quitar la región seleccionada o restaurar el corte seleccionado</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Deshacer</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Rehacer</translation>
    </message>
    <message>
        <source>Ctrl+wheel</source>
        <translation>Ctrl+rueda</translation>
    </message>
    <message>
        <source>Zoom the timeline about the pointer</source>
        <translation>Ampliar la línea de tiempo alrededor del puntero</translation>
    </message>
    <message>
        <source>Shift+wheel</source>
        <translation>Mayús+rueda</translation>
    </message>
    <message>
        <source>Scroll the timeline</source>
        <translation>Desplazar la línea de tiempo</translation>
    </message>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Atajos de teclado</translation>
    </message>
    <message>
        <source>Back one frame (paused)</source>
        <translation>Un fotograma atrás (en pausa)</translation>
    </message>
    <message>
        <source>Forward one frame (paused)</source>
        <translation>Un fotograma adelante (en pausa)</translation>
    </message>
    <message>
        <source>Back one second</source>
        <translation>Un segundo atrás</translation>
    </message>
    <message>
        <source>Forward one second</source>
        <translation>Un segundo adelante</translation>
    </message>
    <message>
        <source>To the start</source>
        <translation>Al principio</translation>
    </message>
    <message>
        <source>To the end</source>
        <translation>Al final</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausa</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Reproducir</translation>
    </message>
    <message>
        <source>To the previous region edge</source>
        <translation>Al borde de región anterior</translation>
    </message>
    <message>
        <source>To the next region edge</source>
        <translation>Al borde de región siguiente</translation>
    </message>
    <message>
        <source>Select the next clip</source>
        <translation>Seleccionar el clip siguiente</translation>
    </message>
    <message>
        <source>Select the previous clip</source>
        <translation>Seleccionar el clip anterior</translation>
    </message>
    <message>
        <source>Zoom into the timeline</source>
        <translation>Acercar la línea de tiempo</translation>
    </message>
    <message>
        <source>Zoom out of the timeline</source>
        <translation>Alejar la línea de tiempo</translation>
    </message>
    <message>
        <source>Show the whole recording</source>
        <translation>Mostrar toda la grabación</translation>
    </message>
    <message>
        <source>Play backwards (again: faster)</source>
        <translation>Reproducir hacia atrás (otra vez: más rápido)</translation>
    </message>
</context>
<context>
    <name>tarnix::KeysPanel</name>
    <message>
        <source>No keys were recorded. Turn on “Record Keystrokes” in the recorder&apos;s menu to show them.</source>
        <translation>No se grabaron teclas. Activa «Grabar pulsaciones de teclas» en el menú de la grabadora para mostrarlas.</translation>
    </message>
    <message>
        <source>Show Keystrokes</source>
        <translation>Mostrar pulsaciones</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Posición</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Abajo</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Arriba</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Estilo</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Oscuro</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Claro</translation>
    </message>
</context>
<context>
    <name>tarnix::PlayerSurface</name>
    <message>
        <source>Preview</source>
        <translation>Vista previa</translation>
    </message>
</context>
<context>
    <name>tarnix::PortalStopShortcut</name>
    <message>
        <source>Stop recording</source>
        <translation>Detener la grabación</translation>
    </message>
</context>
<context>
    <name>tarnix::PreviewHandle</name>
    <message>
        <source>Camera position</source>
        <translation>Posición de la cámara</translation>
    </message>
    <message>
        <source>Drag to move the camera</source>
        <translation>Arrastra para mover la cámara</translation>
    </message>
    <message>
        <source>Blur position</source>
        <translation>Posición del desenfoque</translation>
    </message>
    <message>
        <source>Drag to move the blur</source>
        <translation>Arrastra para mover el desenfoque</translation>
    </message>
    <message>
        <source>Text position</source>
        <translation>Posición del texto</translation>
    </message>
    <message>
        <source>Drag to move the text</source>
        <translation>Arrastra para mover el texto</translation>
    </message>
</context>
<context>
    <name>tarnix::PrivacyPanel</name>
    <message>
        <source>Add Blur at Playhead</source>
        <translation>Añadir desenfoque en el cabezal</translation>
    </message>
    <message>
        <source>Blur hides passwords, messages and other private areas.</source>
        <translation>El desenfoque oculta contraseñas, mensajes y otras zonas privadas.</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Inicio</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Set to playhead</source>
        <translation>Fijar en el cabezal</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Ancho</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Alto</translation>
    </message>
    <message>
        <source>Delete Blur</source>
        <translation>Eliminar desenfoque</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordButton</name>
    <message>
        <source>Stop Recording</source>
        <translation>Detener grabación</translation>
    </message>
    <message>
        <source>Start Recording</source>
        <translation>Iniciar grabación</translation>
    </message>
</context>
<context>
    <name>tarnix::RecorderControlBar</name>
    <message>
        <source>More</source>
        <translation>Más</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Cámara</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Micrófono</translation>
    </message>
    <message>
        <source>Record what the computer plays</source>
        <translation>Grabar lo que reproduce el ordenador</translation>
    </message>
    <message>
        <source>Refresh sources — try this after granting a permission in Settings</source>
        <translation>Actualizar las fuentes: pruébalo tras conceder un permiso en Configuración</translation>
    </message>
    <message>
        <source>Open Recording…</source>
        <translation>Abrir grabación…</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Buscar actualizaciones…</translation>
    </message>
    <message>
        <source>Record Keystrokes</source>
        <translation>Grabar pulsaciones de teclas</translation>
    </message>
    <message>
        <source>Quit Tarnix</source>
        <translation>Salir de Tarnix</translation>
    </message>
    <message>
        <source>Recording starts in a moment. Esc or the record button cancels.</source>
        <translation>La grabación empieza en un momento. Esc o el botón de grabar la cancela.</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Desactivada</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Countdown</source>
        <translation>Cuenta atrás</translation>
    </message>
    <message>
        <source>Recording starts in %1</source>
        <translation>La grabación empieza en %1</translation>
    </message>
    <message>
        <source>Cancel Countdown</source>
        <translation>Cancelar cuenta atrás</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingFiles</name>
    <message>
        <source>Couldn&apos;t open the recording %1: %2</source>
        <translation>No se pudo abrir la grabación %1: %2</translation>
    </message>
    <message>
        <source>the file does not exist or is not a file.</source>
        <translation>el archivo no existe o no es un archivo.</translation>
    </message>
    <message>
        <source>the file can&apos;t be read.</source>
        <translation>no se puede leer el archivo.</translation>
    </message>
    <message>
        <source>it is not a Tarnix recording document (%1).</source>
        <translation>no es un documento de grabación de Tarnix (%1).</translation>
    </message>
    <message>
        <source>the document names no screen movie.</source>
        <translation>el documento no indica ningún vídeo de pantalla.</translation>
    </message>
    <message>
        <source>its screen movie %1 is missing.</source>
        <translation>falta su vídeo de pantalla %1.</translation>
    </message>
    <message>
        <source>Tarnix recordings (*.tarnix.json);;All files (*)</source>
        <translation>Grabaciones de Tarnix (*.tarnix.json);;Todos los archivos (*)</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingRecovery</name>
    <message>
        <source>Couldn&apos;t read the recording journal %1.</source>
        <translation>No se pudo leer el registro de grabación %1.</translation>
    </message>
    <message>
        <source>The screen movie %1 is missing, so the recording can&apos;t be recovered. Its journal was kept.</source>
        <translation>Falta el vídeo de pantalla %1, así que la grabación no puede recuperarse. Se conservó su registro.</translation>
    </message>
    <message>
        <source>The screen movie %1 is empty: the recording ended before its first frame was written. Nothing was recovered and nothing was deleted.</source>
        <translation>El vídeo de pantalla %1 está vacío: la grabación terminó antes de escribir su primer fotograma. No se recuperó nada y no se borró nada.</translation>
    </message>
    <message>
        <source>Couldn&apos;t read the screen movie %1: %2 Nothing was recovered and nothing was deleted.</source>
        <translation>No se pudo leer el vídeo de pantalla %1: %2 No se recuperó nada y no se borró nada.</translation>
    </message>
    <message>
        <source>The recording journal %1 doesn&apos;t say which recording it belongs to, so nothing can be recovered from it.</source>
        <translation>El registro de grabación %1 no indica a qué grabación pertenece, así que no se puede recuperar nada de él.</translation>
    </message>
    <message>
        <source>The camera file %1 can&apos;t be played, so the recording leaves it out; the file was kept.</source>
        <translation>El archivo de cámara %1 no se puede reproducir, así que la grabación lo omite; se conservó el archivo.</translation>
    </message>
    <message>
        <source>The microphone file %1 can&apos;t be played, so the recording leaves it out; the file was kept.</source>
        <translation>El archivo de micrófono %1 no se puede reproducir, así que la grabación lo omite; se conservó el archivo.</translation>
    </message>
    <message>
        <source>The recording journal was kept.</source>
        <translation>Se conservó el registro de grabación.</translation>
    </message>
    <message>
        <source>The screen movie %1 ends in a part that was still being written when the recording was cut off, and even without that part it can&apos;t be played: %2 Nothing was recovered, and every file was left as it was.</source>
        <translation>La película de pantalla %1 termina en una parte que aún se estaba escribiendo cuando se interrumpió la grabación, y ni siquiera sin esa parte se puede reproducir: %2 No se recuperó nada y todos los archivos quedaron como estaban.</translation>
    </message>
    <message>
        <source>%1 ended in a part that was still being written when the recording was cut off, which held nothing that plays: that part (%2 bytes) was removed, and the %3 seconds before it were kept.</source>
        <translation>%1 terminaba en una parte que aún se estaba escribiendo cuando se interrumpió la grabación y que no contenía nada reproducible: esa parte (%2 bytes) se eliminó y se conservaron los %3 segundos anteriores.</translation>
    </message>
    <message>
        <source>Couldn&apos;t repair %1: %2 Nothing was recovered; the recording journal was kept.</source>
        <translation>No se pudo reparar %1: %2 No se recuperó nada; se conservó el registro de grabación.</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingSession</name>
    <message>
        <source>Recovery after a crash won&apos;t be possible for this recording: %1</source>
        <translation>Esta grabación no podrá recuperarse tras un fallo: %1</translation>
    </message>
    <message>
        <source>The recording&apos;s safety copy can&apos;t be written (%1); the recording goes on, but a crash now would lose its cursor and clicks.</source>
        <translation>No se puede escribir la copia de seguridad de la grabación (%1); la grabación continúa, pero un fallo ahora perdería su cursor y sus clics.</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingStatus</name>
    <message>
        <source>Recording</source>
        <translation>Grabando</translation>
    </message>
    <message>
        <source>%1 frames · %2 clicks</source>
        <translation>%1 fotogramas · %2 clics</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>En pausa</translation>
    </message>
</context>
<context>
    <name>tarnix::RecordingTrayIcon</name>
    <message>
        <source>Tarnix is recording — click to stop</source>
        <translation>Tarnix está grabando: haz clic para detener</translation>
    </message>
    <message>
        <source>Stop Recording</source>
        <translation>Detener grabación</translation>
    </message>
    <message>
        <source>Pause Recording</source>
        <translation>Pausar grabación</translation>
    </message>
    <message>
        <source>Resume Recording</source>
        <translation>Reanudar grabación</translation>
    </message>
</context>
<context>
    <name>tarnix::SidebarPanel</name>
    <message>
        <source>Strength</source>
        <translation>Intensidad</translation>
    </message>
</context>
<context>
    <name>tarnix::SidebarRules</name>
    <message>
        <source>1 zoom</source>
        <translation>1 zoom</translation>
    </message>
    <message>
        <source>%1 zooms</source>
        <translation>%1 zooms</translation>
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
        <translation>Pantalla</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>Ventana</translation>
    </message>
    <message>
        <source>App</source>
        <translation>App</translation>
    </message>
    <message>
        <source>Area</source>
        <translation>Área</translation>
    </message>
</context>
<context>
    <name>tarnix::SourceKindPicker</name>
    <message>
        <source>None available</source>
        <translation>No hay ninguna disponible</translation>
    </message>
    <message>
        <source>Record a whole application</source>
        <translation>Grabar una aplicación entera</translation>
    </message>
    <message>
        <source>Record a single window</source>
        <translation>Grabar una sola ventana</translation>
    </message>
    <message>
        <source>Record a whole display</source>
        <translation>Grabar una pantalla entera</translation>
    </message>
    <message>
        <source>Record an area of a display</source>
        <translation>Grabar un área de una pantalla</translation>
    </message>
</context>
<context>
    <name>tarnix::SpeedPicker</name>
    <message>
        <source>Speed</source>
        <translation>Velocidad</translation>
    </message>
    <message>
        <source>Speed %1</source>
        <translation>Velocidad %1</translation>
    </message>
    <message>
        <source>Play the segment %1 as fast</source>
        <translation>Reproducir el tramo %1 más rápido</translation>
    </message>
    <message>
        <source>Play the segment at %1 of its speed</source>
        <translation>Reproducir el tramo a %1 de su velocidad</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioExporter</name>
    <message>
        <source>Export failed: %1</source>
        <translation>La exportación falló: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t create an export session.</source>
        <translation>No se pudo crear una sesión de exportación.</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>error desconocido</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioFormatting</name>
    <message>
        <source>1 zoom</source>
        <translation>1 zoom</translation>
    </message>
    <message>
        <source>%1 zooms</source>
        <translation>%1 zooms</translation>
    </message>
    <message>
        <source>%1 · %2 clicks detected</source>
        <translation>%1 · %2 clics detectados</translation>
    </message>
    <message>
        <source>Exporting… %1%</source>
        <translation>Exportando… %1 %</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioIconRail</name>
    <message>
        <source>Settings</source>
        <translation>Ajustes</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioPlayback</name>
    <message>
        <source>No recording to open.</source>
        <translation>No hay ninguna grabación que abrir.</translation>
    </message>
    <message>
        <source>Couldn&apos;t load recording: %1</source>
        <translation>No se pudo cargar la grabación: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t play the recording: %1</source>
        <translation>No se pudo reproducir la grabación: %1</translation>
    </message>
    <message>
        <source>The cuts leave nothing of this recording: restore a cut to play or export it.</source>
        <translation>Los cortes no dejan nada de esta grabación: restaura un corte para reproducirla o exportarla.</translation>
    </message>
    <message>
        <source>Couldn&apos;t refresh preview: %1</source>
        <translation>No se pudo actualizar la vista previa: %1</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioSession</name>
    <message>
        <source>This recording is also open in another Studio window.</source>
        <translation>Esta grabación también está abierta en otra ventana del Studio.</translation>
    </message>
    <message>
        <source>Another Studio window saved changes to this recording.</source>
        <translation>Otra ventana del Studio guardó cambios en esta grabación.</translation>
    </message>
    <message>
        <source>This recording&apos;s file was changed by another program.</source>
        <translation>Otro programa cambió el archivo de esta grabación.</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Texto</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioSidebarView</name>
    <message>
        <source>Choose Image</source>
        <translation>Elegir imagen</translation>
    </message>
    <message>
        <source>Images (*.png *.jpg *.jpeg *.webp *.bmp *.gif *.tif *.tiff *.svg *.heic *.avif)</source>
        <translation>Imágenes (*.png *.jpg *.jpeg *.webp *.bmp *.gif *.tif *.tiff *.svg *.heic *.avif)</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Top Left</source>
        <translation>Arriba a la izquierda</translation>
    </message>
    <message>
        <source>Top Right</source>
        <translation>Arriba a la derecha</translation>
    </message>
    <message>
        <source>Bottom Left</source>
        <translation>Abajo a la izquierda</translation>
    </message>
    <message>
        <source>Bottom Right</source>
        <translation>Abajo a la derecha</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioToolbar</name>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Studio</source>
        <translation>Studio</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Deshacer</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Rehacer</translation>
    </message>
    <message>
        <source>More</source>
        <translation>Más</translation>
    </message>
    <message>
        <source>Export format and resolution</source>
        <translation>Formato y resolución de exportación</translation>
    </message>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Atajos de teclado</translation>
    </message>
    <message>
        <source>GIF</source>
        <translation>GIF</translation>
    </message>
    <message>
        <source>Cancel export</source>
        <translation>Cancelar exportación</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>Frame rate: %1</source>
        <translation>Fotogramas por segundo: %1</translation>
    </message>
    <message>
        <source>The recording has 30 frames a second or fewer</source>
        <translation>La grabación tiene 30 fotogramas por segundo o menos</translation>
    </message>
    <message>
        <source> · %1 fps</source>
        <translation> · %1 fps</translation>
    </message>
    <message>
        <source>Even out loudness</source>
        <translation>Igualar el volumen</translation>
    </message>
    <message>
        <source>Speed Up Idle Time</source>
        <translation>Acelerar el tiempo inactivo</translation>
    </message>
    <message>
        <source>Play the stretches where nothing happens 8 times as fast</source>
        <translation>Reproducir 8 veces más rápido los tramos en los que no pasa nada</translation>
    </message>
    <message>
        <source>Looking for Idle Time…</source>
        <translation>Buscando tiempo inactivo…</translation>
    </message>
</context>
<context>
    <name>tarnix::StudioView</name>
    <message>
        <source>Preview handles</source>
        <translation>Tiradores de la vista previa</translation>
    </message>
    <message>
        <source>Studio</source>
        <translation>Studio</translation>
    </message>
    <message>
        <source>Remove all</source>
        <translation>Quitar todos</translation>
    </message>
    <message>
        <source>Restore cut</source>
        <translation>Restaurar corte</translation>
    </message>
    <message>
        <source>Put the selected cut back into the movie (Delete)</source>
        <translation>Devolver el corte seleccionado al vídeo (Supr)</translation>
    </message>
    <message>
        <source>Timeline</source>
        <translation>Línea de tiempo</translation>
    </message>
    <message>
        <source>Show in Files</source>
        <translation>Mostrar en Archivos</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Recargar</translation>
    </message>
    <message>
        <source>Show the changes saved elsewhere (your edits stay one undo away)</source>
        <translation>Mostrar los cambios guardados en otro sitio (tus ediciones quedan a un deshacer)</translation>
    </message>
    <message>
        <source>Keep mine</source>
        <translation>Conservar las mías</translation>
    </message>
    <message>
        <source>Save your edits over the changes made elsewhere</source>
        <translation>Guardar tus ediciones sobre los cambios hechos en otro sitio</translation>
    </message>
    <message>
        <source>Your edits are not saved until you choose.</source>
        <translation>Tus ediciones no se guardan hasta que elijas.</translation>
    </message>
    <message>
        <source>Stop the export?</source>
        <translation>¿Detener la exportación?</translation>
    </message>
    <message>
        <source>An export is still running. Closing the Studio stops it, and nothing of the unfinished file is kept.</source>
        <translation>Todavía hay una exportación en curso. Cerrar el Studio la detiene y no se conserva nada del archivo sin terminar.</translation>
    </message>
    <message>
        <source>Stop Export and Close</source>
        <translation>Detener exportación y cerrar</translation>
    </message>
    <message>
        <source>Keep Exporting</source>
        <translation>Seguir exportando</translation>
    </message>
    <message>
        <source>Save your edits?</source>
        <translation>¿Guardar tus ediciones?</translation>
    </message>
    <message>
        <source>Your latest edits are not in the file.</source>
        <translation>Tus últimas ediciones no están en el archivo.</translation>
    </message>
    <message>
        <source>Keep Mine and Close</source>
        <translation>Conservar las mías y cerrar</translation>
    </message>
    <message>
        <source>Close without Saving</source>
        <translation>Cerrar sin guardar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Something went wrong</source>
        <translation>Algo salió mal</translation>
    </message>
    <message>
        <source>Exported to %1</source>
        <translation>Exportado a %1</translation>
    </message>
    <message>
        <source>Preparing the preview…</source>
        <translation>Preparando la vista previa…</translation>
    </message>
</context>
<context>
    <name>tarnix::TextPanel</name>
    <message>
        <source>Add Text at Playhead</source>
        <translation>Añadir texto en el cabezal</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Texto</translation>
    </message>
    <message>
        <source>Text shows titles, steps and notes over the picture. Drag on the text track to add some.</source>
        <translation>El texto muestra títulos, pasos y notas sobre la imagen. Arrastra en la pista de texto para añadirlo.</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Fondo</translation>
    </message>
    <message>
        <source>Delete Text</source>
        <translation>Eliminar texto</translation>
    </message>
</context>
<context>
    <name>tarnix::TimelineView</name>
    <message>
        <source>Timeline</source>
        <translation>Línea de tiempo</translation>
    </message>
    <message>
        <source>Scroll the timeline</source>
        <translation>Desplazar la línea de tiempo</translation>
    </message>
    <message>
        <source>The movie starts at %1</source>
        <translation>El vídeo empieza en %1</translation>
    </message>
    <message>
        <source>The movie ends at %1</source>
        <translation>El vídeo termina en %1</translation>
    </message>
    <message>
        <source>Drag here to cut a part out · drag the grips at the ends to trim</source>
        <translation>Arrastra aquí para quitar una parte · arrastra los tiradores de los extremos para recortar</translation>
    </message>
    <message>
        <source>Drag here to speed a part up or slow it down</source>
        <translation>Arrastra aquí para acelerar o ralentizar una parte</translation>
    </message>
</context>
<context>
    <name>tarnix::TimelineZoomControls</name>
    <message>
        <source>Zoom out of the timeline (-)</source>
        <translation>Alejar la línea de tiempo (-)</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Alejar</translation>
    </message>
    <message>
        <source>Timeline zoom</source>
        <translation>Zoom de la línea de tiempo</translation>
    </message>
    <message>
        <source>Zoom into the timeline (+)</source>
        <translation>Acercar la línea de tiempo (+)</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Acercar</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Ajustar</translation>
    </message>
    <message>
        <source>Show the whole recording (Shift+Z)</source>
        <translation>Mostrar toda la grabación (Mayús+Z)</translation>
    </message>
</context>
<context>
    <name>tarnix::TransportBar</name>
    <message>
        <source>Play</source>
        <translation>Reproducir</translation>
    </message>
    <message>
        <source>Back 5 seconds</source>
        <translation>Retroceder 5 segundos</translation>
    </message>
    <message>
        <source>Forward 5 seconds</source>
        <translation>Avanzar 5 segundos</translation>
    </message>
    <message>
        <source>Playhead time</source>
        <translation>Tiempo del cabezal</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausa</translation>
    </message>
</context>
<context>
    <name>tarnix::TrimHandleView</name>
    <message>
        <source>Trim start</source>
        <translation>Recortar inicio</translation>
    </message>
    <message>
        <source>Trim end</source>
        <translation>Recortar final</translation>
    </message>
    <message>
        <source>Drag to trim the start of the recording</source>
        <translation>Arrastra para recortar el inicio de la grabación</translation>
    </message>
    <message>
        <source>Drag to trim the end of the recording</source>
        <translation>Arrastra para recortar el final de la grabación</translation>
    </message>
</context>
<context>
    <name>tarnix::UpdateChecker</name>
    <message>
        <source>Version %1 is available — you&apos;re on %2.</source>
        <translation>La versión %1 está disponible; tienes la %2.</translation>
    </message>
    <message>
        <source>A new version of Tarnix is available</source>
        <translation>Hay una nueva versión de Tarnix disponible</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Descargar</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Más tarde</translation>
    </message>
    <message>
        <source>You&apos;re up to date</source>
        <translation>Tienes la última versión</translation>
    </message>
    <message>
        <source>Tarnix %1 is the latest version.</source>
        <translation>Tarnix %1 es la versión más reciente.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates</source>
        <translation>No se pudo buscar actualizaciones</translation>
    </message>
    <message>
        <source>Check your internet connection and try again.</source>
        <translation>Comprueba tu conexión a Internet e inténtalo de nuevo.</translation>
    </message>
</context>
<context>
    <name>tarnix::ZoomPanel</name>
    <message>
        <source>Drag across the zoom track to add a zoom.</source>
        <translation>Arrastra sobre la pista de zoom para añadir un zoom.</translation>
    </message>
    <message>
        <source>Zoom level</source>
        <translation>Nivel de zoom</translation>
    </message>
    <message>
        <source>Delete Zoom</source>
        <translation>Eliminar zoom</translation>
    </message>
</context>
</TS>
