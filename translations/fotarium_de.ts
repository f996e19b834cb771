<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>EditCommands</name>
    <message>
        <source>%1 hat noch kein gültiges Aufnahmedatum!<byte value="xd"/>
Es wird das heutige Datum vorgeschlagen.</source>
        <translation>%1 hat noch kein gültiges Aufnahmedatum!<byte value="xd"/>
Es wird das heutige Datum vorgeschlagen.</translation>
    </message>
    <message>
        <source>Bildbeschreibung:</source>
        <translation>Bildbeschreibung:</translation>
    </message>
    <message>
        <source>Kommentar:</source>
        <translation>Kommentar:</translation>
    </message>
    <message>
        <source>%1 hat keine oder eine inkorrekte Aufnahmezeit!<byte value="xd"/>
Möchten Sie eine Aufnahmezeit angeben?</source>
        <translation>%1 hat keine oder eine inkorrekte Aufnahmezeit!<byte value="xd"/>
Möchten Sie eine Aufnahmezeit angeben?</translation>
    </message>
    <message>
        <source>Exif-Änderungen gehen verloren! Trotzdem fortfahren?</source>
        <translation>Exif-Änderungen gehen verloren! Trotzdem fortfahren?</translation>
    </message>
</context>
<context>
    <name>ExifListRows</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>[Unrecognised value (%1)]</source>
        <translation>[Unbekannter Wert (%1)]</translation>
    </message>
    <message>
        <source>Small endian</source>
        <translation>Little Endian (Intel)</translation>
    </message>
    <message>
        <source>Big endian</source>
        <translation>Big Endian (Motorola)</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>north</source>
        <translation>Nord</translation>
    </message>
    <message>
        <source>south</source>
        <translation>Süd</translation>
    </message>
    <message>
        <source>east</source>
        <translation>Ost</translation>
    </message>
    <message>
        <source>west</source>
        <translation>West</translation>
    </message>
    <message>
        <source>inches</source>
        <translation>Zoll</translation>
    </message>
    <message>
        <source>centimetres</source>
        <translation>Zentimeter</translation>
    </message>
    <message>
        <source>true north</source>
        <translation>geografisch Nord</translation>
    </message>
    <message>
        <source>magnetic north</source>
        <translation>magnetisch Nord</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Mirror horizontal</source>
        <translation>Horizontal gespiegelt</translation>
    </message>
    <message>
        <source>Rotate 180°</source>
        <translation>Um 180° gedreht</translation>
    </message>
    <message>
        <source>Mirror vertical</source>
        <translation>Vertikal gespiegelt</translation>
    </message>
    <message>
        <source>Mirrow horizontal and rotate 270°</source>
        <translation>Horizontal gespiegelt und um 270° gedreht</translation>
    </message>
    <message>
        <source>Rotate 90°</source>
        <translation>Um 90° gedreht</translation>
    </message>
    <message>
        <source>Mirror hotizontal and rotate 90°</source>
        <translation>Horizontal gespiegelt und um 90° gedreht</translation>
    </message>
    <message>
        <source>Rotate 270°</source>
        <translation>Um 270° gedreht</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 um %2</translation>
    </message>
    <message>
        <source>%1°, %2 minutes and %3 seconds %4</source>
        <translation>%1°, %2 Minuten und %3 Sekunden %4</translation>
    </message>
    <message>
        <source>bad IFD offset</source>
        <translation>fehlerhafter IFD-Offset</translation>
    </message>
    <message>
        <source>bad tag count</source>
        <translation>fehlerhafte Tag-Anzahl</translation>
    </message>
    <message>
        <source>one or more bad tag headers</source>
        <translation>ein oder mehrere fehlerhafte Tag-Köpfe</translation>
    </message>
    <message>
        <source>bad image offset</source>
        <translation>fehlerhafter Bild-Offset</translation>
    </message>
    <message>
        <source>Loaded cleanly</source>
        <translation>Fehlerfrei geladen</translation>
    </message>
    <message>
        <source>No: %1</source>
        <translation>Nein: %1</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Byte order</source>
        <translation>Byte-Reihenfolge</translation>
    </message>
    <message>
        <source>Main IFD</source>
        <translation>Haupt-IFD</translation>
    </message>
    <message>
        <source>Camera make</source>
        <translation>Kamera-Hersteller</translation>
    </message>
    <message>
        <source>Camera model</source>
        <translation>Kamera-Modell</translation>
    </message>
    <message>
        <source>Software</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>Date/time</source>
        <translation>Datum/Uhrzeit</translation>
    </message>
    <message>
        <source>Image description</source>
        <translation>Bildbeschreibung</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Orientierung</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Auflösung</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Comments</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>Stichwörter</translation>
    </message>
    <message>
        <source>Subject</source>
        <translation>Thema</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Flash present</source>
        <translation>Blitz vorhanden</translation>
    </message>
    <message>
        <source>Flash mode</source>
        <translation>Blitzmodus</translation>
    </message>
    <message>
        <source>Compulsory fire</source>
        <translation>Blitz erzwungen</translation>
    </message>
    <message>
        <source>Compulsory suppression</source>
        <translation>Blitz unterdrückt</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Flash fired</source>
        <translation>Blitz ausgelöst</translation>
    </message>
    <message>
        <source>Flash red eye reduction</source>
        <translation>Blitz mit Rote-Augen-Reduzierung</translation>
    </message>
    <message>
        <source>Flash strobe energy</source>
        <translation>Blitzenergie</translation>
    </message>
    <message>
        <source>Flash strobe light</source>
        <translation>Blitz-Rücklicht</translation>
    </message>
    <message>
        <source>No detection function</source>
        <translation>Keine Erkennungsfunktion</translation>
    </message>
    <message>
        <source>Undetected</source>
        <translation>Nicht erkannt</translation>
    </message>
    <message>
        <source>Detected</source>
        <translation>Erkannt</translation>
    </message>
    <message>
        <source>Exif sub-IFD</source>
        <translation>Exif-Unter-IFD</translation>
    </message>
    <message>
        <source>Exif version</source>
        <translation>Exif-Version</translation>
    </message>
    <message>
        <source>Aperture value</source>
        <translation>Blendenwert</translation>
    </message>
    <message>
        <source>Body serial number</source>
        <translation>Seriennummer des Gehäuses</translation>
    </message>
    <message>
        <source>Brightness value</source>
        <translation>Helligkeitswert</translation>
    </message>
    <message>
        <source>Camera owner</source>
        <translation>Kamerabesitzer</translation>
    </message>
    <message>
        <source>Colour space</source>
        <translation>Farbraum</translation>
    </message>
    <message>
        <source>sRGB</source>
        <translation>sRGB</translation>
    </message>
    <message>
        <source>Adobe RGB</source>
        <translation>Adobe RGB</translation>
    </message>
    <message>
        <source>Wide gamut RGB (Sony)</source>
        <translation>Wide-Gamut-RGB (Sony)</translation>
    </message>
    <message>
        <source>ICC profile (Sony)</source>
        <translation>ICC-Profil (Sony)</translation>
    </message>
    <message>
        <source>Uncalibrated (maybe Adobe RGB)</source>
        <translation>Nicht kalibriert (evtl. Adobe RGB)</translation>
    </message>
    <message>
        <source>Compressed bits per pixel</source>
        <translation>Komprimierte Bits pro Pixel</translation>
    </message>
    <message>
        <source>Date/time original</source>
        <translation>Datum/Uhrzeit der Aufnahme</translation>
    </message>
    <message>
        <source>Date/time digitised</source>
        <translation>Datum/Uhrzeit der Digitalisierung</translation>
    </message>
    <message>
        <source>Digital zoom ratio</source>
        <translation>Digitaler Zoomfaktor</translation>
    </message>
    <message>
        <source>Exif image width</source>
        <translation>Exif-Bildbreite</translation>
    </message>
    <message>
        <source>Exif image height</source>
        <translation>Exif-Bildhöhe</translation>
    </message>
    <message>
        <source>Exposure programme</source>
        <translation>Belichtungsprogramm</translation>
    </message>
    <message>
        <source>Undefined</source>
        <translation>Nicht definiert</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>Aperture priority</source>
        <translation>Blendenpriorität</translation>
    </message>
    <message>
        <source>Shutter priority</source>
        <translation>Zeitpriorität</translation>
    </message>
    <message>
        <source>Creative</source>
        <translation>Kreativprogramm</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Actionprogramm</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Porträt</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Landschaft</translation>
    </message>
    <message>
        <source>Exposure time</source>
        <translation>Belichtungszeit</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>Exposure index</source>
        <translation>Belichtungsindex</translation>
    </message>
    <message>
        <source>Exposure bias value</source>
        <translation>Belichtungskorrektur</translation>
    </message>
    <message>
        <source>File source</source>
        <translation>Dateiquelle</translation>
    </message>
    <message>
        <source>Film scanner</source>
        <translation>Filmscanner</translation>
    </message>
    <message>
        <source>Reflection print scanner</source>
        <translation>Aufsichtsscanner</translation>
    </message>
    <message>
        <source>Digital camera</source>
        <translation>Digitalkamera</translation>
    </message>
    <message>
        <source>F number</source>
        <translation>Blendenzahl</translation>
    </message>
    <message>
        <source>Focal length</source>
        <translation>Brennweite</translation>
    </message>
    <message>
        <source>Focal length in 35mm film</source>
        <translation>Brennweite (Kleinbild)</translation>
    </message>
    <message>
        <source>Focal plane resolution</source>
        <translation>Auflösung der Bildebene</translation>
    </message>
    <message>
        <source>Gain control</source>
        <translation>Verstärkungsregelung</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Low gain up</source>
        <translation>Geringe Verstärkung</translation>
    </message>
    <message>
        <source>High gain up</source>
        <translation>Hohe Verstärkung</translation>
    </message>
    <message>
        <source>Low gain down</source>
        <translation>Geringe Abschwächung</translation>
    </message>
    <message>
        <source>High gain down</source>
        <translation>Hohe Abschwächung</translation>
    </message>
    <message>
        <source>Image unique ID</source>
        <translation>Eindeutige Bild-ID</translation>
    </message>
    <message>
        <source>ISO speed rating(s)</source>
        <translation>ISO-Empfindlichkeit</translation>
    </message>
    <message>
        <source>Lens make</source>
        <translation>Objektiv-Hersteller</translation>
    </message>
    <message>
        <source>Lens model</source>
        <translation>Objektiv-Modell</translation>
    </message>
    <message>
        <source>Lens serial number</source>
        <translation>Seriennummer des Objektivs</translation>
    </message>
    <message>
        <source>Light source</source>
        <translation>Lichtquelle</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Daylight</source>
        <translation>Tageslicht</translation>
    </message>
    <message>
        <source>Fluorescent</source>
        <translation>Leuchtstofflampe</translation>
    </message>
    <message>
        <source>Tungsten</source>
        <translation>Glühlampe</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Blitz</translation>
    </message>
    <message>
        <source>Fine weather</source>
        <translation>Schönes Wetter</translation>
    </message>
    <message>
        <source>Cloudy weather</source>
        <translation>Bewölkt</translation>
    </message>
    <message>
        <source>Shade</source>
        <translation>Schatten</translation>
    </message>
    <message>
        <source>Daylight fluorescent</source>
        <translation>Tageslicht-Leuchtstofflampe</translation>
    </message>
    <message>
        <source>DayWhite fluorescent</source>
        <translation>Tagweiß-Leuchtstofflampe</translation>
    </message>
    <message>
        <source>Cool white fluorescent</source>
        <translation>Kaltweiß-Leuchtstofflampe</translation>
    </message>
    <message>
        <source>White fluorescent</source>
        <translation>Weiß-Leuchtstofflampe</translation>
    </message>
    <message>
        <source>Standard light A</source>
        <translation>Normlicht A</translation>
    </message>
    <message>
        <source>Standard light B</source>
        <translation>Normlicht B</translation>
    </message>
    <message>
        <source>Standard light C</source>
        <translation>Normlicht C</translation>
    </message>
    <message>
        <source>D55</source>
        <translation>D55</translation>
    </message>
    <message>
        <source>D65</source>
        <translation>D65</translation>
    </message>
    <message>
        <source>D75</source>
        <translation>D75</translation>
    </message>
    <message>
        <source>D50</source>
        <translation>D50</translation>
    </message>
    <message>
        <source>ISO studio tungsten</source>
        <translation>ISO-Studio-Glühlampe</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Andere</translation>
    </message>
    <message>
        <source>MakerNote data offset</source>
        <translation>Offset der Herstellerdaten</translation>
    </message>
    <message>
        <source>Max aperture value</source>
        <translation>Größte Blende</translation>
    </message>
    <message>
        <source>Metering mode</source>
        <translation>Messmethode</translation>
    </message>
    <message>
        <source>Average</source>
        <translation>Durchschnitt</translation>
    </message>
    <message>
        <source>Centre weighted average</source>
        <translation>Mittenbetont</translation>
    </message>
    <message>
        <source>Spot</source>
        <translation>Spot</translation>
    </message>
    <message>
        <source>Multiple spot</source>
        <translation>Mehrfach-Spot</translation>
    </message>
    <message>
        <source>Pattern</source>
        <translation>Muster</translation>
    </message>
    <message>
        <source>Partial</source>
        <translation>Teilbereich</translation>
    </message>
    <message>
        <source>Related sound file</source>
        <translation>Zugehörige Tondatei</translation>
    </message>
    <message>
        <source>Rendering</source>
        <translation>Bildverarbeitung</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Benutzerdefiniert</translation>
    </message>
    <message>
        <source>Scene capture type</source>
        <translation>Aufnahmeart</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>NightScene</source>
        <translation>Nachtaufnahme</translation>
    </message>
    <message>
        <source>Scene type</source>
        <translation>Szenentyp</translation>
    </message>
    <message>
        <source>Directly photographed</source>
        <translation>Direkt fotografiert</translation>
    </message>
    <message>
        <source>Sensing method</source>
        <translation>Sensortyp</translation>
    </message>
    <message>
        <source>Monochrome</source>
        <translation>Monochrom</translation>
    </message>
    <message>
        <source>One chip</source>
        <translation>Ein-Chip</translation>
    </message>
    <message>
        <source>Two chip</source>
        <translation>Zwei-Chip</translation>
    </message>
    <message>
        <source>ThreeChip</source>
        <translation>Drei-Chip</translation>
    </message>
    <message>
        <source>Colour sequential</source>
        <translation>Farbsequenziell</translation>
    </message>
    <message>
        <source>Trilinear</source>
        <translation>Trilinear</translation>
    </message>
    <message>
        <source>Colour sequential linear</source>
        <translation>Farbsequenziell linear</translation>
    </message>
    <message>
        <source>Shutter speed</source>
        <translation>Verschlusszeit</translation>
    </message>
    <message>
        <source>%1 milliseconds</source>
        <translation>%1 Millisekunden</translation>
    </message>
    <message>
        <source>Subject distance</source>
        <translation>Objektentfernung</translation>
    </message>
    <message>
        <source>Spectral sensitivity</source>
        <translation>Spektrale Empfindlichkeit</translation>
    </message>
    <message>
        <source>Subject distance range</source>
        <translation>Entfernungsbereich</translation>
    </message>
    <message>
        <source>Macro</source>
        <translation>Makro</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Nah</translation>
    </message>
    <message>
        <source>Distant</source>
        <translation>Fern</translation>
    </message>
    <message>
        <source>Subject location</source>
        <translation>Position des Motivs</translation>
    </message>
    <message>
        <source>White balance mode</source>
        <translation>Weißabgleich</translation>
    </message>
    <message>
        <source>Interoperability sub-IFD</source>
        <translation>Interoperabilitäts-Unter-IFD</translation>
    </message>
    <message>
        <source>Interoperability type</source>
        <translation>Interoperabilitätstyp</translation>
    </message>
    <message>
        <source>Interoperability version</source>
        <translation>Interoperabilitätsversion</translation>
    </message>
    <message>
        <source>GPS sub-IFD</source>
        <translation>GPS-Unter-IFD</translation>
    </message>
    <message>
        <source>GPS version</source>
        <translation>GPS-Version</translation>
    </message>
    <message>
        <source>GPS date/time (UTC)</source>
        <translation>GPS-Datum/Uhrzeit (UTC)</translation>
    </message>
    <message>
        <source>GPS latitude</source>
        <translation>GPS-Breite</translation>
    </message>
    <message>
        <source>GPS longitude</source>
        <translation>GPS-Länge</translation>
    </message>
    <message>
        <source>GPS altitude</source>
        <translation>GPS-Höhe</translation>
    </message>
    <message>
        <source>metres %1</source>
        <translation>Meter %1</translation>
    </message>
    <message>
        <source>above sea level</source>
        <translation>über dem Meeresspiegel</translation>
    </message>
    <message>
        <source>below sea level</source>
        <translation>unter dem Meeresspiegel</translation>
    </message>
    <message>
        <source>GPS satellites</source>
        <translation>GPS-Satelliten</translation>
    </message>
    <message>
        <source>GPS status</source>
        <translation>GPS-Status</translation>
    </message>
    <message>
        <source>Measurement active/in progress</source>
        <translation>Messung aktiv/läuft</translation>
    </message>
    <message>
        <source>Measurement void/in interop</source>
        <translation>Messung ungültig/unterbrochen</translation>
    </message>
    <message>
        <source>GPS measure mode</source>
        <translation>GPS-Messmodus</translation>
    </message>
    <message>
        <source>2D</source>
        <translation>2D</translation>
    </message>
    <message>
        <source>3D</source>
        <translation>3D</translation>
    </message>
    <message>
        <source>GPS DOP</source>
        <translation>GPS-Genauigkeit (DOP)</translation>
    </message>
    <message>
        <source>GPS speed</source>
        <translation>GPS-Geschwindigkeit</translation>
    </message>
    <message>
        <source>km/h</source>
        <translation>km/h</translation>
    </message>
    <message>
        <source>mph</source>
        <translation>mph</translation>
    </message>
    <message>
        <source>knots</source>
        <translation>Knoten</translation>
    </message>
    <message>
        <source>GPS track</source>
        <translation>GPS-Bewegungsrichtung</translation>
    </message>
    <message>
        <source>GPS image direction</source>
        <translation>GPS-Bildrichtung</translation>
    </message>
    <message>
        <source>GPS map datum</source>
        <translation>GPS-Kartendatum</translation>
    </message>
    <message>
        <source>GPS destination latitude</source>
        <translation>GPS-Zielbreite</translation>
    </message>
    <message>
        <source>GPS destination longitude</source>
        <translation>GPS-Ziellänge</translation>
    </message>
    <message>
        <source>GPS destination bearing</source>
        <translation>GPS-Zielrichtung</translation>
    </message>
    <message>
        <source>GPS destination distance</source>
        <translation>GPS-Zielentfernung</translation>
    </message>
    <message>
        <source>kilometres</source>
        <translation>Kilometer</translation>
    </message>
    <message>
        <source>miles</source>
        <translation>Meilen</translation>
    </message>
    <message>
        <source>GPS differential</source>
        <translation>GPS-Differenzialkorrektur</translation>
    </message>
    <message>
        <source>Without correction</source>
        <translation>Ohne Korrektur</translation>
    </message>
    <message>
        <source>Correction applied</source>
        <translation>Mit Korrektur</translation>
    </message>
    <message>
        <source>Thumbnail IFD</source>
        <translation>Vorschaubild-IFD</translation>
    </message>
    <message>
        <source>Thumbnail orientation</source>
        <translation>Orientierung des Vorschaubilds</translation>
    </message>
    <message>
        <source>Thumbnail resolution</source>
        <translation>Auflösung des Vorschaubilds</translation>
    </message>
    <message>
        <source>[Badly formed tag header]</source>
        <translation>[Fehlerhafter Tag-Kopf]</translation>
    </message>
    <message>
        <source>Unknown ($%1, %2)</source>
        <translation>Unbekannt ($%1, %2)</translation>
    </message>
    <message>
        <source>Unknown ($%1)</source>
        <translation>Unbekannt ($%1)</translation>
    </message>
    <message>
        <source>No Exif metadata found</source>
        <translation>Keine Exif-Metadaten gefunden</translation>
    </message>
    <message>
        <source>Unrecognised format</source>
        <translation>Unbekanntes Format</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Tags</translation>
    </message>
    <message>
        <source>No MakerNote found</source>
        <translation>Keine Herstellerdaten (MakerNote) gefunden</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TExifListView</name>
    <message>
        <source>alle Exif-Daten</source>
        <translation>alle Exif-Daten</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TForm1</name>
    <message>
        <source>Vorschau des gewählten Bildes</source>
        <translation>Vorschau des gewählten Bildes</translation>
    </message>
    <message>
        <source>Bilderliste</source>
        <translation>Bilderliste</translation>
    </message>
    <message>
        <source>Namensänderung durch Doppelklick</source>
        <translation>Namensänderung durch Doppelklick</translation>
    </message>
    <message>
        <source>Exif-Werte</source>
        <translation>Exif-Werte</translation>
    </message>
    <message>
        <source>Format-String</source>
        <translation>Format-String</translation>
    </message>
    <message>
        <source>Aufnahmezeit in Dateinamen einfügen</source>
        <translation>Aufnahmezeit in Dateinamen einfügen</translation>
    </message>
    <message>
        <source>Alle Bilder markieren</source>
        <translation>Alle Bilder markieren</translation>
    </message>
    <message>
        <source>Alle Exif-Daten markieren</source>
        <translation>Alle Exif-Daten markieren</translation>
    </message>
    <message>
        <source>markierte Exif-Daten ins ClipBoard</source>
        <translation>markierte Exif-Daten ins ClipBoard</translation>
    </message>
    <message>
        <source>Hilfe </source>
        <translation>Hilfe </translation>
    </message>
    <message>
        <source>Ende  </source>
        <translation>Ende  </translation>
    </message>
    <message>
        <source>alle Exif-Daten</source>
        <translation>alle Exif-Daten</translation>
    </message>
    <message>
        <source>Orientationflag ändern </source>
        <translation>Orientationflag ändern </translation>
    </message>
    <message>
        <source>Aufnahmedatum ändern </source>
        <translation>Aufnahmedatum ändern </translation>
    </message>
    <message>
        <source>Bildbeschreibung ändern</source>
        <translation>Bildbeschreibung ändern</translation>
    </message>
    <message>
        <source>Kommentar ändern</source>
        <translation>Kommentar ändern</translation>
    </message>
    <message>
        <source>Änderungen ins JPG übernehmen</source>
        <translation>Änderungen ins JPG übernehmen</translation>
    </message>
    <message>
        <source>GPS Daten ändern</source>
        <translation>GPS Daten ändern</translation>
    </message>
    <message>
        <source>editierbare Exif-Daten</source>
        <translation>editierbare Exif-Daten</translation>
    </message>
    <message>
        <source>Ort in Google Maps anzeigen     </source>
        <translation>Ort in Google Maps anzeigen     </translation>
    </message>
    <message>
        <source>Bilderliste nach Aufnahmedatum sortieren  </source>
        <translation>Bilderliste nach Aufnahmedatum sortieren  </translation>
    </message>
    <message>
        <source>Ausgewählte Bilder in KML-Datei  für Google Earth schreiben  </source>
        <translation>Ausgewählte Bilder in KML-Datei  für Google Earth schreiben  </translation>
    </message>
    <message>
        <source>GPS-Daten</source>
        <translation>GPS-Daten</translation>
    </message>
    <message>
        <source>Bild aus Liste entfernen</source>
        <translation>Bild aus Liste entfernen</translation>
    </message>
    <message>
        <source>Bilddatei löschen</source>
        <translation>Bilddatei löschen</translation>
    </message>
    <message>
        <source>Bild umbenennen</source>
        <translation>Bild umbenennen</translation>
    </message>
    <message>
        <source>Ein Platz nach oben</source>
        <translation>Ein Platz nach oben</translation>
    </message>
    <message>
        <source>Ein Platz nach unten</source>
        <translation>Ein Platz nach unten</translation>
    </message>
    <message>
        <source>Bilder öffnen …</source>
        <translation>Bilder öffnen …</translation>
    </message>
    <message>
        <source>Löschen von %1 scheiterte mit Fehler: %2</source>
        <translation>Löschen von %1 scheiterte mit Fehler: %2</translation>
    </message>
    <message>
        <source>%1 kann nicht in den Papierkorb verschoben werden.<byte value="xd"/>
Soll die Datei endgültig gelöscht werden?</source>
        <translation>%1 kann nicht in den Papierkorb verschoben werden.<byte value="xd"/>
Soll die Datei endgültig gelöscht werden?</translation>
    </message>
    <message>
        <source>Das Handbuch %1 kann nicht geöffnet werden.</source>
        <translation>Das Handbuch %1 kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>JPG-Dateien öffnen</source>
        <translation>JPG-Dateien öffnen</translation>
    </message>
    <message>
        <source>JPG-Dateien (*.jpg *.jpeg *.JPG *.JPEG);;Alle Dateien (*)</source>
        <translation>JPG-Dateien (*.jpg *.jpeg *.JPG *.JPEG);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Dateien werden umbenannt …</source>
        <translation>Dateien werden umbenannt …</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Dateien werden umbenannt: %1 von %2</source>
        <translation>Dateien werden umbenannt: %1 von %2</translation>
    </message>
    <message>
        <source>Die Adresse %1 kann nicht geöffnet werden.</source>
        <translation>Die Adresse %1 kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>KML-Datei für Google Earth</source>
        <translation>KML-Datei für Google Earth</translation>
    </message>
    <message>
        <source>Name der KML-Datei (ohne Ordner: neben dem ersten Bild):</source>
        <translation>Name der KML-Datei (ohne Ordner: neben dem ersten Bild):</translation>
    </message>
    <message>
        <source>%1 von %2 Bildern in %3 geschrieben</source>
        <translation>%1 von %2 Bildern in %3 geschrieben</translation>
    </message>
    <message>
        <source>Ohne Position: %1</source>
        <translation>Ohne Position: %1</translation>
    </message>
    <message>
        <source>Bilder werden gelesen: %1 von %2</source>
        <translation>Bilder werden gelesen: %1 von %2</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TForm2</name>
    <message>
        <source>Abbrechen</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Aufnahmedatum und Zeit angeben</source>
        <translation>Aufnahmedatum und Zeit angeben</translation>
    </message>
    <message>
        <source>Aufnahmedatum</source>
        <translation>Aufnahmedatum</translation>
    </message>
    <message>
        <source>Aufnahmezeit</source>
        <translation>Aufnahmezeit</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TForm3</name>
    <message>
        <source>ClipBoard-Format</source>
        <translation>ClipBoard-Format</translation>
    </message>
    <message>
        <source>Grad, min, sec</source>
        <translation>Grad, min, sec</translation>
    </message>
    <message>
        <source>dezimal</source>
        <translation>dezimal</translation>
    </message>
    <message>
        <source>Breite und Länge aus Zwischenablage</source>
        <translation>Breite und Länge aus Zwischenablage</translation>
    </message>
    <message>
        <source>Breite und Länge in Zwischenablage</source>
        <translation>Breite und Länge in Zwischenablage</translation>
    </message>
    <message>
        <source>In Hauptfenster übernehmen</source>
        <translation>In Hauptfenster übernehmen</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>GPS-Daten editieren</source>
        <translation>GPS-Daten editieren</translation>
    </message>
    <message>
        <source>GPS-Daten</source>
        <translation>GPS-Daten</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TForm4</name>
    <message>
        <source>Aufnahmedatum</source>
        <translation>Aufnahmedatum</translation>
    </message>
    <message>
        <source>nur für Dateinamen verwenden</source>
        <translation>nur für Dateinamen verwenden</translation>
    </message>
    <message>
        <source>auch in die Exif-Daten eintragen</source>
        <translation>auch in die Exif-Daten eintragen</translation>
    </message>
    <message>
        <source>Abbruch</source>
        <translation>Abbruch</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Bitte Aufnahmedatum wählen</source>
        <translation>Bitte Aufnahmedatum wählen</translation>
    </message>
    <message>
        <source>Aufnahmezeit</source>
        <translation>Aufnahmezeit</translation>
    </message>
</context>
<context>
    <name>GPSTexts</name>
    <message>
        <source>Ungültige Koordinate &quot;%1&quot;: %2</source>
        <translation>Ungültige Koordinate &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>die Sekundenangabe ist zu lang</source>
        <translation>die Sekundenangabe ist zu lang</translation>
    </message>
    <message>
        <source>Grad, Minuten und Sekunden dürfen nicht negativ sein</source>
        <translation>Grad, Minuten und Sekunden dürfen nicht negativ sein</translation>
    </message>
    <message>
        <source>die Sekundenangabe ist zu groß</source>
        <translation>die Sekundenangabe ist zu groß</translation>
    </message>
    <message>
        <source>Keine GPS-Daten verfügbar!</source>
        <translation>Keine GPS-Daten verfügbar!</translation>
    </message>
    <message>
        <source>Diese Option ist noch nicht verfügbar!</source>
        <translation>Diese Option ist noch nicht verfügbar!</translation>
    </message>
</context>
<context>
    <name>Guard</name>
    <message>
        <source>Unbekannter Fehler</source>
        <translation>Unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>KeyFields</name>
    <message>
        <source>ungültig</source>
        <translation>ungültig</translation>
    </message>
    <message>
        <source>Beschreibung:</source>
        <translation>Beschreibung:</translation>
    </message>
    <message>
        <source>Werte</source>
        <translation>Werte</translation>
    </message>
    <message>
        <source>Kamera-Hersteller:</source>
        <translation>Kamera-Hersteller:</translation>
    </message>
    <message>
        <source>Kamera-Modell</source>
        <translation>Kamera-Modell</translation>
    </message>
    <message>
        <source>Orientierung</source>
        <translation>Orientierung</translation>
    </message>
    <message>
        <source>Ausdehnung (B x H)</source>
        <translation>Ausdehnung (B x H)</translation>
    </message>
    <message>
        <source>Geographische Breite</source>
        <translation>Geographische Breite</translation>
    </message>
    <message>
        <source>Geographische Länge</source>
        <translation>Geographische Länge</translation>
    </message>
    <message>
        <source>Geographische Höhe</source>
        <translation>Geographische Höhe</translation>
    </message>
    <message>
        <source>%1 Meter</source>
        <translation>%1 Meter</translation>
    </message>
    <message>
        <source>Aufnahmedatum</source>
        <translation>Aufnahmedatum</translation>
    </message>
    <message>
        <source>Bildbeschreibung</source>
        <translation>Bildbeschreibung</translation>
    </message>
    <message>
        <source>Auflösung</source>
        <translation>Auflösung</translation>
    </message>
    <message>
        <source>Kommentar</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>unbekannt</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>normal</translation>
    </message>
    <message>
        <source>horizontal gespiegelt</source>
        <translation>horizontal gespiegelt</translation>
    </message>
    <message>
        <source>um 180° gedreht</source>
        <translation>um 180° gedreht</translation>
    </message>
    <message>
        <source>vertical gespiegelt</source>
        <translation>vertical gespiegelt</translation>
    </message>
    <message>
        <source>an Hauptdiagonale gespiegelt</source>
        <translation>an Hauptdiagonale gespiegelt</translation>
    </message>
    <message>
        <source>um 90° gedreht</source>
        <translation>um 90° gedreht</translation>
    </message>
    <message>
        <source>an Nebendiagonale gespiegelt</source>
        <translation>an Nebendiagonale gespiegelt</translation>
    </message>
    <message>
        <source>um 270° gedreht</source>
        <translation>um 270° gedreht</translation>
    </message>
</context>
<context>
    <name>LibraryMessages</name>
    <message>
        <source>Stream is read-only</source>
        <translation>Der Stream ist schreibgeschützt</translation>
    </message>
    <message>
        <source>Unsupported graphic format</source>
        <translation>Nicht unterstütztes Grafikformat</translation>
    </message>
    <message>
        <source>JPEG header is not valid</source>
        <translation>Der JPEG-Kopf ist ungültig</translation>
    </message>
    <message>
        <source>Photoshop (PSD) file header is not valid</source>
        <translation>Der Kopf der Photoshop-Datei (PSD) ist ungültig</translation>
    </message>
    <message>
        <source>Invalid TIFF data</source>
        <translation>Ungültige TIFF-Daten</translation>
    </message>
    <message>
        <source>Tag with ID of &quot;%1&quot; already exists in section</source>
        <translation>Ein Tag mit der ID &quot;%1&quot; gibt es in diesem Abschnitt schon</translation>
    </message>
    <message>
        <source>JPEG segment data of %1 bytes is too large: a segment carries at most 65533 bytes</source>
        <translation>JPEG-Segmentdaten von %1 Bytes sind zu groß: ein Segment fasst höchstens 65533 Bytes</translation>
    </message>
    <message>
        <source>Illegal attempt to edit the Exif data in such a way that it would change the file structure</source>
        <translation>Unzulässiger Versuch, die Exif-Daten so zu ändern, dass sich der Aufbau der Datei ändern würde</translation>
    </message>
    <message>
        <source>Tag may contain only ASCII string data</source>
        <translation>Das Tag darf nur ASCII-Text enthalten</translation>
    </message>
    <message>
        <source>Invalid MakerNote format</source>
        <translation>Ungültiges Format der Herstellerdaten (MakerNote)</translation>
    </message>
    <message>
        <source>XMP packet is not valid</source>
        <translation>Das XMP-Paket ist ungültig</translation>
    </message>
    <message>
        <source>Sub-properties must be named</source>
        <translation>Untereigenschaften brauchen einen Namen</translation>
    </message>
    <message>
        <source>Property type does not support sub-properties</source>
        <translation>Dieser Eigenschaftstyp hat keine Untereigenschaften</translation>
    </message>
    <message>
        <source>Cannot assign a single value to a structure property</source>
        <translation>Einer Struktur-Eigenschaft kann kein einzelner Wert zugewiesen werden</translation>
    </message>
    <message>
        <source>The schema&apos;s PreferredPrefix property must be set before a new item can be added</source>
        <translation>Vor dem Hinzufügen eines Eintrags muss das bevorzugte Präfix (PreferredPrefix) des Schemas gesetzt sein</translation>
    </message>
    <message>
        <source>Tags can only be added during AddTagsToWrite</source>
        <translation>Tags können nur während AddTagsToWrite hinzugefügt werden</translation>
    </message>
    <message>
        <source>The saved picture did not read back as written; the original was left unchanged</source>
        <translation>Das gespeicherte Bild ließ sich nicht so zurücklesen, wie es geschrieben wurde; das Original blieb unverändert</translation>
    </message>
    <message>
        <source>Exif data of %1 bytes does not fit into a JPEG APP1 segment (at most %2 bytes)</source>
        <translation>Exif-Daten von %1 Bytes passen nicht in ein JPEG-APP1-Segment (höchstens %2 Bytes)</translation>
    </message>
    <message>
        <source>Thumbnail of %1 bytes is too large: at most %2 bytes can be saved</source>
        <translation>Das Vorschaubild von %1 Bytes ist zu groß: höchstens %2 Bytes können gespeichert werden</translation>
    </message>
    <message>
        <source>No JFIF segment!</source>
        <translation>Kein JFIF-Segment!</translation>
    </message>
    <message>
        <source>The Exif block is read-only</source>
        <translation>Der Exif-Block ist schreibgeschützt</translation>
    </message>
    <message>
        <source>A rendered XMP packet cannot be loaded</source>
        <translation>Ein fertig geschriebenes XMP-Paket kann nicht geladen werden</translation>
    </message>
    <message>
        <source>An unknown XMP namespace has no preferred prefix or URI</source>
        <translation>Ein unbekannter XMP-Namensraum hat kein bevorzugtes Präfix und keine URI</translation>
    </message>
    <message>
        <source>An XMP property&apos;s name cannot be set to an empty text</source>
        <translation>Der Name einer XMP-Eigenschaft darf nicht leer sein</translation>
    </message>
</context>
<context>
    <name>PictureList</name>
    <message>
        <source>Zu wenig Arbeitsspeicher</source>
        <translation>Zu wenig Arbeitsspeicher</translation>
    </message>
    <message>
        <source>Unbekannter Fehler beim Lesen von %1</source>
        <translation>Unbekannter Fehler beim Lesen von %1</translation>
    </message>
    <message>
        <source>%1 ist keine JPG-Datei!</source>
        <translation>%1 ist keine JPG-Datei!</translation>
    </message>
</context>
<context>
    <name>PlatformMessages</name>
    <message>
        <source>Stream-Lesefehler</source>
        <translation>Stream-Lesefehler</translation>
    </message>
    <message>
        <source>Stream-Schreibfehler</source>
        <translation>Stream-Schreibfehler</translation>
    </message>
    <message>
        <source>Fehler bei Bereichsprüfung</source>
        <translation>Fehler bei Bereichsprüfung</translation>
    </message>
    <message>
        <source>Kein Speicher mehr für den Stream</source>
        <translation>Kein Speicher mehr für den Stream</translation>
    </message>
    <message>
        <source>Ungültige Stream-Größe</source>
        <translation>Ungültige Stream-Größe</translation>
    </message>
    <message>
        <source>Listenindex überschreitet das Maximum (%1)</source>
        <translation>Listenindex überschreitet das Maximum (%1)</translation>
    </message>
    <message>
        <source>Listenindex außerhalb des gültigen Bereichs (%1)</source>
        <translation>Listenindex außerhalb des gültigen Bereichs (%1)</translation>
    </message>
    <message>
        <source>Stringliste erlaubt keine Duplikate</source>
        <translation>Stringliste erlaubt keine Duplikate</translation>
    </message>
    <message>
        <source>Operation bei sortierten Stringlisten nicht erlaubt</source>
        <translation>Operation bei sortierten Stringlisten nicht erlaubt</translation>
    </message>
    <message>
        <source>%1 kann nicht zu %2 zugewiesen werden</source>
        <translation>%1 kann nicht zu %2 zugewiesen werden</translation>
    </message>
    <message>
        <source>Keine Daten für den Datensatz</source>
        <translation>Keine Daten für den Datensatz</translation>
    </message>
    <message>
        <source>Ungültiges Argument für Zeitkodierung</source>
        <translation>Ungültiges Argument für Zeitkodierung</translation>
    </message>
    <message>
        <source>Ungültiges Argument für Datumskodierung</source>
        <translation>Ungültiges Argument für Datumskodierung</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist kein gültiger Integerwert</source>
        <translation>&apos;%1&apos; ist kein gültiger Integerwert</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist kein gültiger Gleitkommawert</source>
        <translation>&apos;%1&apos; ist kein gültiger Gleitkommawert</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist keine gültige Uhrzeit</source>
        <translation>&apos;%1&apos; ist keine gültige Uhrzeit</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist kein gültiges Datum</source>
        <translation>&apos;%1&apos; ist kein gültiges Datum</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist kein gültiges Datum und Uhrzeit</source>
        <translation>&apos;%1&apos; ist kein gültiges Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Ungültiger Skalierungsnenner %1</source>
        <translation>Ungültiger Skalierungsnenner %1</translation>
    </message>
    <message>
        <source>Ungültige Bitmap-Größe %1 x %2</source>
        <translation>Ungültige Bitmap-Größe %1 x %2</translation>
    </message>
    <message>
        <source>JPEG-Fehler #%1: %2</source>
        <translation>JPEG-Fehler #%1: %2</translation>
    </message>
    <message>
        <source>JPEG-Farbraum wird nicht unterstützt</source>
        <translation>JPEG-Farbraum wird nicht unterstützt</translation>
    </message>
    <message>
        <source>Eine leere Bitmap kann nicht als JPEG gespeichert werden</source>
        <translation>Eine leere Bitmap kann nicht als JPEG gespeichert werden</translation>
    </message>
    <message>
        <source>Die Datei ist zu groß für eine Ini-Datei: %1</source>
        <translation>Die Datei ist zu groß für eine Ini-Datei: %1</translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; kann nicht geöffnet werden. %2</source>
        <translation>Datei &quot;%1&quot; kann nicht geöffnet werden. %2</translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; kann nicht erstellt werden. %2</source>
        <translation>Datei &quot;%1&quot; kann nicht erstellt werden. %2</translation>
    </message>
</context>
<context>
    <name>Preview</name>
    <message>
        <source>Das Bild ist für eine Vorschau zu groß (%1 x %2 Bildpunkte)</source>
        <translation>Das Bild ist für eine Vorschau zu groß (%1 x %2 Bildpunkte)</translation>
    </message>
</context>
<context>
    <name>PreviewImage</name>
    <message>
        <source>Zu wenig Arbeitsspeicher für die Vorschau</source>
        <translation>Zu wenig Arbeitsspeicher für die Vorschau</translation>
    </message>
    <message>
        <source>Die Vorschau konnte nicht erstellt werden</source>
        <translation>Die Vorschau konnte nicht erstellt werden</translation>
    </message>
</context>
<context>
    <name>SystemErrors</name>
    <message>
        <source>Operation not permitted</source>
        <translation>Die Operation ist nicht erlaubt</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>Datei oder Verzeichnis nicht gefunden</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Eingabe-/Ausgabefehler</translation>
    </message>
    <message>
        <source>Cannot allocate memory</source>
        <translation>Kann nicht genügend Speicher belegen</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Keine Berechtigung</translation>
    </message>
    <message>
        <source>Device or resource busy</source>
        <translation>Das Gerät oder die Ressource ist belegt</translation>
    </message>
    <message>
        <source>File exists</source>
        <translation>Die Datei existiert bereits</translation>
    </message>
    <message>
        <source>Invalid cross-device link</source>
        <translation>Ungültiger Link über Gerätegrenzen hinweg</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>Ist kein Verzeichnis</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>Ist ein Verzeichnis</translation>
    </message>
    <message>
        <source>Invalid argument</source>
        <translation>Das Argument ist ungültig</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>Zu viele offene Dateien</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Die Datei ist zu groß</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Auf dem Gerät ist kein Speicherplatz mehr verfügbar</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Das Dateisystem ist nur lesbar</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>Der Dateiname ist zu lang</translation>
    </message>
    <message>
        <source>Too many levels of symbolic links</source>
        <translation>Zu viele Ebenen aus symbolischen Links</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Der zugewiesene Plattenplatz (Quota) ist überschritten</translation>
    </message>
    <message>
        <source>Directory not empty</source>
        <translation>Das Verzeichnis ist nicht leer</translation>
    </message>
    <message>
        <source>Text file busy</source>
        <translation>Das Programm wird gerade ausgeführt</translation>
    </message>
</context>
<context>
    <name>WindowRules</name>
    <message>
        <source>Format-String:<byte value="xd"/>
(@ steht für den aktuellen Dateinamen,<byte value="xd"/>
 weitere Textbestandteile können in &quot; &quot; eingeschlossen werden.</source>
        <translation>Format-String:<byte value="xd"/>
(@ steht für den aktuellen Dateinamen,<byte value="xd"/>
 weitere Textbestandteile können in &quot; &quot; eingeschlossen werden.</translation>
    </message>
    <message>
        <source>Umbenennen von %1 scheiterte mit Fehler: %2</source>
        <translation>Umbenennen von %1 scheiterte mit Fehler: %2</translation>
    </message>
    <message>
        <source>%1 besitzt keine Exif-Daten<byte value="xd"/>
Soll ein leerer Satz angelegt werden?</source>
        <translation>%1 besitzt keine Exif-Daten<byte value="xd"/>
Soll ein leerer Satz angelegt werden?</translation>
    </message>
    <message>
        <source>Ziehen Sie die JPG-Dateien mit &quot;Drag and Drop&quot; auf das Formular!</source>
        <translation>Ziehen Sie die JPG-Dateien mit &quot;Drag and Drop&quot; auf das Formular!</translation>
    </message>
    <message>
        <source>Bilderliste nach Aufnahmedatum sortieren  </source>
        <translation>Bilderliste nach Aufnahmedatum sortieren  </translation>
    </message>
    <message>
        <source>Bilderliste nach Namen sortieren          </source>
        <translation>Bilderliste nach Namen sortieren          </translation>
    </message>
    <message>
        <source>neuer Name:</source>
        <translation>neuer Name:</translation>
    </message>
</context>
</TS>
