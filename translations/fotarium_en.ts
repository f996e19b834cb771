<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>EditCommands</name>
    <message>
        <source>%1 hat noch kein gültiges Aufnahmedatum!<byte value="xd"/>
Es wird das heutige Datum vorgeschlagen.</source>
        <translation>%1 has no valid capture date yet!<byte value="xd"/>
Today&apos;s date is suggested.</translation>
    </message>
    <message>
        <source>Bildbeschreibung:</source>
        <translation>Image description:</translation>
    </message>
    <message>
        <source>Kommentar:</source>
        <translation>Comment:</translation>
    </message>
    <message>
        <source>%1 hat keine oder eine inkorrekte Aufnahmezeit!<byte value="xd"/>
Möchten Sie eine Aufnahmezeit angeben?</source>
        <translation>%1 has no or an incorrect capture time!<byte value="xd"/>
Do you want to give a capture time?</translation>
    </message>
    <message>
        <source>Exif-Änderungen gehen verloren! Trotzdem fortfahren?</source>
        <translation>Exif changes will be lost! Continue anyway?</translation>
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
        <translation>Value</translation>
    </message>
    <message>
        <source>[Unrecognised value (%1)]</source>
        <translation>[Unrecognised value (%1)]</translation>
    </message>
    <message>
        <source>Small endian</source>
        <translation>Small endian</translation>
    </message>
    <message>
        <source>Big endian</source>
        <translation>Big endian</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>north</source>
        <translation>north</translation>
    </message>
    <message>
        <source>south</source>
        <translation>south</translation>
    </message>
    <message>
        <source>east</source>
        <translation>east</translation>
    </message>
    <message>
        <source>west</source>
        <translation>west</translation>
    </message>
    <message>
        <source>inches</source>
        <translation>inches</translation>
    </message>
    <message>
        <source>centimetres</source>
        <translation>centimetres</translation>
    </message>
    <message>
        <source>true north</source>
        <translation>true north</translation>
    </message>
    <message>
        <source>magnetic north</source>
        <translation>magnetic north</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Mirror horizontal</source>
        <translation>Mirror horizontal</translation>
    </message>
    <message>
        <source>Rotate 180°</source>
        <translation>Rotate 180°</translation>
    </message>
    <message>
        <source>Mirror vertical</source>
        <translation>Mirror vertical</translation>
    </message>
    <message>
        <source>Mirrow horizontal and rotate 270°</source>
        <translation>Mirrow horizontal and rotate 270°</translation>
    </message>
    <message>
        <source>Rotate 90°</source>
        <translation>Rotate 90°</translation>
    </message>
    <message>
        <source>Mirror hotizontal and rotate 90°</source>
        <translation>Mirror hotizontal and rotate 90°</translation>
    </message>
    <message>
        <source>Rotate 270°</source>
        <translation>Rotate 270°</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 at %2</translation>
    </message>
    <message>
        <source>%1°, %2 minutes and %3 seconds %4</source>
        <translation>%1°, %2 minutes and %3 seconds %4</translation>
    </message>
    <message>
        <source>bad IFD offset</source>
        <translation>bad IFD offset</translation>
    </message>
    <message>
        <source>bad tag count</source>
        <translation>bad tag count</translation>
    </message>
    <message>
        <source>one or more bad tag headers</source>
        <translation>one or more bad tag headers</translation>
    </message>
    <message>
        <source>bad image offset</source>
        <translation>bad image offset</translation>
    </message>
    <message>
        <source>Loaded cleanly</source>
        <translation>Loaded cleanly</translation>
    </message>
    <message>
        <source>No: %1</source>
        <translation>No: %1</translation>
    </message>
    <message>
        <source>General</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Byte order</source>
        <translation>Byte order</translation>
    </message>
    <message>
        <source>Main IFD</source>
        <translation>Main IFD</translation>
    </message>
    <message>
        <source>Camera make</source>
        <translation>Camera make</translation>
    </message>
    <message>
        <source>Camera model</source>
        <translation>Camera model</translation>
    </message>
    <message>
        <source>Software</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>Date/time</source>
        <translation>Date/time</translation>
    </message>
    <message>
        <source>Image description</source>
        <translation>Image description</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Orientation</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>Comments</source>
        <translation>Comments</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>Keywords</translation>
    </message>
    <message>
        <source>Subject</source>
        <translation>Subject</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>Flash present</source>
        <translation>Flash present</translation>
    </message>
    <message>
        <source>Flash mode</source>
        <translation>Flash mode</translation>
    </message>
    <message>
        <source>Compulsory fire</source>
        <translation>Compulsory fire</translation>
    </message>
    <message>
        <source>Compulsory suppression</source>
        <translation>Compulsory suppression</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Flash fired</source>
        <translation>Flash fired</translation>
    </message>
    <message>
        <source>Flash red eye reduction</source>
        <translation>Flash red eye reduction</translation>
    </message>
    <message>
        <source>Flash strobe energy</source>
        <translation>Flash strobe energy</translation>
    </message>
    <message>
        <source>Flash strobe light</source>
        <translation>Flash strobe light</translation>
    </message>
    <message>
        <source>No detection function</source>
        <translation>No detection function</translation>
    </message>
    <message>
        <source>Undetected</source>
        <translation>Undetected</translation>
    </message>
    <message>
        <source>Detected</source>
        <translation>Detected</translation>
    </message>
    <message>
        <source>Exif sub-IFD</source>
        <translation>Exif sub-IFD</translation>
    </message>
    <message>
        <source>Exif version</source>
        <translation>Exif version</translation>
    </message>
    <message>
        <source>Aperture value</source>
        <translation>Aperture value</translation>
    </message>
    <message>
        <source>Body serial number</source>
        <translation>Body serial number</translation>
    </message>
    <message>
        <source>Brightness value</source>
        <translation>Brightness value</translation>
    </message>
    <message>
        <source>Camera owner</source>
        <translation>Camera owner</translation>
    </message>
    <message>
        <source>Colour space</source>
        <translation>Colour space</translation>
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
        <translation>Wide gamut RGB (Sony)</translation>
    </message>
    <message>
        <source>ICC profile (Sony)</source>
        <translation>ICC profile (Sony)</translation>
    </message>
    <message>
        <source>Uncalibrated (maybe Adobe RGB)</source>
        <translation>Uncalibrated (maybe Adobe RGB)</translation>
    </message>
    <message>
        <source>Compressed bits per pixel</source>
        <translation>Compressed bits per pixel</translation>
    </message>
    <message>
        <source>Date/time original</source>
        <translation>Date/time original</translation>
    </message>
    <message>
        <source>Date/time digitised</source>
        <translation>Date/time digitised</translation>
    </message>
    <message>
        <source>Digital zoom ratio</source>
        <translation>Digital zoom ratio</translation>
    </message>
    <message>
        <source>Exif image width</source>
        <translation>Exif image width</translation>
    </message>
    <message>
        <source>Exif image height</source>
        <translation>Exif image height</translation>
    </message>
    <message>
        <source>Exposure programme</source>
        <translation>Exposure programme</translation>
    </message>
    <message>
        <source>Undefined</source>
        <translation>Undefined</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Aperture priority</source>
        <translation>Aperture priority</translation>
    </message>
    <message>
        <source>Shutter priority</source>
        <translation>Shutter priority</translation>
    </message>
    <message>
        <source>Creative</source>
        <translation>Creative</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Portrait</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Landscape</translation>
    </message>
    <message>
        <source>Exposure time</source>
        <translation>Exposure time</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>Exposure index</source>
        <translation>Exposure index</translation>
    </message>
    <message>
        <source>Exposure bias value</source>
        <translation>Exposure bias value</translation>
    </message>
    <message>
        <source>File source</source>
        <translation>File source</translation>
    </message>
    <message>
        <source>Film scanner</source>
        <translation>Film scanner</translation>
    </message>
    <message>
        <source>Reflection print scanner</source>
        <translation>Reflection print scanner</translation>
    </message>
    <message>
        <source>Digital camera</source>
        <translation>Digital camera</translation>
    </message>
    <message>
        <source>F number</source>
        <translation>F number</translation>
    </message>
    <message>
        <source>Focal length</source>
        <translation>Focal length</translation>
    </message>
    <message>
        <source>Focal length in 35mm film</source>
        <translation>Focal length in 35mm film</translation>
    </message>
    <message>
        <source>Focal plane resolution</source>
        <translation>Focal plane resolution</translation>
    </message>
    <message>
        <source>Gain control</source>
        <translation>Gain control</translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Low gain up</source>
        <translation>Low gain up</translation>
    </message>
    <message>
        <source>High gain up</source>
        <translation>High gain up</translation>
    </message>
    <message>
        <source>Low gain down</source>
        <translation>Low gain down</translation>
    </message>
    <message>
        <source>High gain down</source>
        <translation>High gain down</translation>
    </message>
    <message>
        <source>Image unique ID</source>
        <translation>Image unique ID</translation>
    </message>
    <message>
        <source>ISO speed rating(s)</source>
        <translation>ISO speed rating(s)</translation>
    </message>
    <message>
        <source>Lens make</source>
        <translation>Lens make</translation>
    </message>
    <message>
        <source>Lens model</source>
        <translation>Lens model</translation>
    </message>
    <message>
        <source>Lens serial number</source>
        <translation>Lens serial number</translation>
    </message>
    <message>
        <source>Light source</source>
        <translation>Light source</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Daylight</source>
        <translation>Daylight</translation>
    </message>
    <message>
        <source>Fluorescent</source>
        <translation>Fluorescent</translation>
    </message>
    <message>
        <source>Tungsten</source>
        <translation>Tungsten</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Flash</translation>
    </message>
    <message>
        <source>Fine weather</source>
        <translation>Fine weather</translation>
    </message>
    <message>
        <source>Cloudy weather</source>
        <translation>Cloudy weather</translation>
    </message>
    <message>
        <source>Shade</source>
        <translation>Shade</translation>
    </message>
    <message>
        <source>Daylight fluorescent</source>
        <translation>Daylight fluorescent</translation>
    </message>
    <message>
        <source>DayWhite fluorescent</source>
        <translation>DayWhite fluorescent</translation>
    </message>
    <message>
        <source>Cool white fluorescent</source>
        <translation>Cool white fluorescent</translation>
    </message>
    <message>
        <source>White fluorescent</source>
        <translation>White fluorescent</translation>
    </message>
    <message>
        <source>Standard light A</source>
        <translation>Standard light A</translation>
    </message>
    <message>
        <source>Standard light B</source>
        <translation>Standard light B</translation>
    </message>
    <message>
        <source>Standard light C</source>
        <translation>Standard light C</translation>
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
        <translation>ISO studio tungsten</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>MakerNote data offset</source>
        <translation>MakerNote data offset</translation>
    </message>
    <message>
        <source>Max aperture value</source>
        <translation>Max aperture value</translation>
    </message>
    <message>
        <source>Metering mode</source>
        <translation>Metering mode</translation>
    </message>
    <message>
        <source>Average</source>
        <translation>Average</translation>
    </message>
    <message>
        <source>Centre weighted average</source>
        <translation>Centre weighted average</translation>
    </message>
    <message>
        <source>Spot</source>
        <translation>Spot</translation>
    </message>
    <message>
        <source>Multiple spot</source>
        <translation>Multiple spot</translation>
    </message>
    <message>
        <source>Pattern</source>
        <translation>Pattern</translation>
    </message>
    <message>
        <source>Partial</source>
        <translation>Partial</translation>
    </message>
    <message>
        <source>Related sound file</source>
        <translation>Related sound file</translation>
    </message>
    <message>
        <source>Rendering</source>
        <translation>Rendering</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>Scene capture type</source>
        <translation>Scene capture type</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>NightScene</source>
        <translation>NightScene</translation>
    </message>
    <message>
        <source>Scene type</source>
        <translation>Scene type</translation>
    </message>
    <message>
        <source>Directly photographed</source>
        <translation>Directly photographed</translation>
    </message>
    <message>
        <source>Sensing method</source>
        <translation>Sensing method</translation>
    </message>
    <message>
        <source>Monochrome</source>
        <translation>Monochrome</translation>
    </message>
    <message>
        <source>One chip</source>
        <translation>One chip</translation>
    </message>
    <message>
        <source>Two chip</source>
        <translation>Two chip</translation>
    </message>
    <message>
        <source>ThreeChip</source>
        <translation>ThreeChip</translation>
    </message>
    <message>
        <source>Colour sequential</source>
        <translation>Colour sequential</translation>
    </message>
    <message>
        <source>Trilinear</source>
        <translation>Trilinear</translation>
    </message>
    <message>
        <source>Colour sequential linear</source>
        <translation>Colour sequential linear</translation>
    </message>
    <message>
        <source>Shutter speed</source>
        <translation>Shutter speed</translation>
    </message>
    <message>
        <source>%1 milliseconds</source>
        <translation>%1 milliseconds</translation>
    </message>
    <message>
        <source>Subject distance</source>
        <translation>Subject distance</translation>
    </message>
    <message>
        <source>Spectral sensitivity</source>
        <translation>Spectral sensitivity</translation>
    </message>
    <message>
        <source>Subject distance range</source>
        <translation>Subject distance range</translation>
    </message>
    <message>
        <source>Macro</source>
        <translation>Macro</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Distant</source>
        <translation>Distant</translation>
    </message>
    <message>
        <source>Subject location</source>
        <translation>Subject location</translation>
    </message>
    <message>
        <source>White balance mode</source>
        <translation>White balance mode</translation>
    </message>
    <message>
        <source>Interoperability sub-IFD</source>
        <translation>Interoperability sub-IFD</translation>
    </message>
    <message>
        <source>Interoperability type</source>
        <translation>Interoperability type</translation>
    </message>
    <message>
        <source>Interoperability version</source>
        <translation>Interoperability version</translation>
    </message>
    <message>
        <source>GPS sub-IFD</source>
        <translation>GPS sub-IFD</translation>
    </message>
    <message>
        <source>GPS version</source>
        <translation>GPS version</translation>
    </message>
    <message>
        <source>GPS date/time (UTC)</source>
        <translation>GPS date/time (UTC)</translation>
    </message>
    <message>
        <source>GPS latitude</source>
        <translation>GPS latitude</translation>
    </message>
    <message>
        <source>GPS longitude</source>
        <translation>GPS longitude</translation>
    </message>
    <message>
        <source>GPS altitude</source>
        <translation>GPS altitude</translation>
    </message>
    <message>
        <source>metres %1</source>
        <translation>metres %1</translation>
    </message>
    <message>
        <source>above sea level</source>
        <translation>above sea level</translation>
    </message>
    <message>
        <source>below sea level</source>
        <translation>below sea level</translation>
    </message>
    <message>
        <source>GPS satellites</source>
        <translation>GPS satellites</translation>
    </message>
    <message>
        <source>GPS status</source>
        <translation>GPS status</translation>
    </message>
    <message>
        <source>Measurement active/in progress</source>
        <translation>Measurement active/in progress</translation>
    </message>
    <message>
        <source>Measurement void/in interop</source>
        <translation>Measurement void/in interop</translation>
    </message>
    <message>
        <source>GPS measure mode</source>
        <translation>GPS measure mode</translation>
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
        <translation>GPS DOP</translation>
    </message>
    <message>
        <source>GPS speed</source>
        <translation>GPS speed</translation>
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
        <translation>knots</translation>
    </message>
    <message>
        <source>GPS track</source>
        <translation>GPS track</translation>
    </message>
    <message>
        <source>GPS image direction</source>
        <translation>GPS image direction</translation>
    </message>
    <message>
        <source>GPS map datum</source>
        <translation>GPS map datum</translation>
    </message>
    <message>
        <source>GPS destination latitude</source>
        <translation>GPS destination latitude</translation>
    </message>
    <message>
        <source>GPS destination longitude</source>
        <translation>GPS destination longitude</translation>
    </message>
    <message>
        <source>GPS destination bearing</source>
        <translation>GPS destination bearing</translation>
    </message>
    <message>
        <source>GPS destination distance</source>
        <translation>GPS destination distance</translation>
    </message>
    <message>
        <source>kilometres</source>
        <translation>kilometres</translation>
    </message>
    <message>
        <source>miles</source>
        <translation>miles</translation>
    </message>
    <message>
        <source>GPS differential</source>
        <translation>GPS differential</translation>
    </message>
    <message>
        <source>Without correction</source>
        <translation>Without correction</translation>
    </message>
    <message>
        <source>Correction applied</source>
        <translation>Correction applied</translation>
    </message>
    <message>
        <source>Thumbnail IFD</source>
        <translation>Thumbnail IFD</translation>
    </message>
    <message>
        <source>Thumbnail orientation</source>
        <translation>Thumbnail orientation</translation>
    </message>
    <message>
        <source>Thumbnail resolution</source>
        <translation>Thumbnail resolution</translation>
    </message>
    <message>
        <source>[Badly formed tag header]</source>
        <translation>[Badly formed tag header]</translation>
    </message>
    <message>
        <source>Unknown ($%1, %2)</source>
        <translation>Unknown ($%1, %2)</translation>
    </message>
    <message>
        <source>Unknown ($%1)</source>
        <translation>Unknown ($%1)</translation>
    </message>
    <message>
        <source>No Exif metadata found</source>
        <translation>No Exif metadata found</translation>
    </message>
    <message>
        <source>Unrecognised format</source>
        <translation>Unrecognised format</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Tags</translation>
    </message>
    <message>
        <source>No MakerNote found</source>
        <translation>No MakerNote found</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TExifListView</name>
    <message>
        <source>alle Exif-Daten</source>
        <translation>all Exif data</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TForm1</name>
    <message>
        <source>Vorschau des gewählten Bildes</source>
        <translation>Preview of the selected picture</translation>
    </message>
    <message>
        <source>Bilderliste</source>
        <translation>Picture list</translation>
    </message>
    <message>
        <source>Namensänderung durch Doppelklick</source>
        <translation>Double-click to rename</translation>
    </message>
    <message>
        <source>Exif-Werte</source>
        <translation>Exif values</translation>
    </message>
    <message>
        <source>Format-String</source>
        <translation>Format string</translation>
    </message>
    <message>
        <source>Aufnahmezeit in Dateinamen einfügen</source>
        <translation>Put capture time into file names</translation>
    </message>
    <message>
        <source>Alle Bilder markieren</source>
        <translation>Mark all pictures</translation>
    </message>
    <message>
        <source>Alle Exif-Daten markieren</source>
        <translation>Mark all Exif data</translation>
    </message>
    <message>
        <source>markierte Exif-Daten ins ClipBoard</source>
        <translation>Marked Exif data to clipboard</translation>
    </message>
    <message>
        <source>Hilfe </source>
        <translation>Help </translation>
    </message>
    <message>
        <source>Ende  </source>
        <translation>Exit  </translation>
    </message>
    <message>
        <source>alle Exif-Daten</source>
        <translation>all Exif data</translation>
    </message>
    <message>
        <source>Orientationflag ändern </source>
        <translation>Change orientation flag </translation>
    </message>
    <message>
        <source>Aufnahmedatum ändern </source>
        <translation>Change capture date </translation>
    </message>
    <message>
        <source>Bildbeschreibung ändern</source>
        <translation>Change image description</translation>
    </message>
    <message>
        <source>Kommentar ändern</source>
        <translation>Change comment</translation>
    </message>
    <message>
        <source>Änderungen ins JPG übernehmen</source>
        <translation>Save changes into the JPG</translation>
    </message>
    <message>
        <source>GPS Daten ändern</source>
        <translation>Change GPS data</translation>
    </message>
    <message>
        <source>editierbare Exif-Daten</source>
        <translation>editable Exif data</translation>
    </message>
    <message>
        <source>Ort in Google Maps anzeigen     </source>
        <translation>Show place in Google Maps     </translation>
    </message>
    <message>
        <source>Bilderliste nach Aufnahmedatum sortieren  </source>
        <translation>Sort picture list by capture date  </translation>
    </message>
    <message>
        <source>Ausgewählte Bilder in KML-Datei  für Google Earth schreiben  </source>
        <translation>Write selected pictures to a KML file  for Google Earth  </translation>
    </message>
    <message>
        <source>GPS-Daten</source>
        <translation>GPS data</translation>
    </message>
    <message>
        <source>Bild aus Liste entfernen</source>
        <translation>Remove picture from list</translation>
    </message>
    <message>
        <source>Bilddatei löschen</source>
        <translation>Delete picture file</translation>
    </message>
    <message>
        <source>Bild umbenennen</source>
        <translation>Rename picture</translation>
    </message>
    <message>
        <source>Ein Platz nach oben</source>
        <translation>Move up one place</translation>
    </message>
    <message>
        <source>Ein Platz nach unten</source>
        <translation>Move down one place</translation>
    </message>
    <message>
        <source>Bilder öffnen …</source>
        <translation>Open pictures …</translation>
    </message>
    <message>
        <source>Löschen von %1 scheiterte mit Fehler: %2</source>
        <translation>Deleting %1 failed with error: %2</translation>
    </message>
    <message>
        <source>%1 kann nicht in den Papierkorb verschoben werden.<byte value="xd"/>
Soll die Datei endgültig gelöscht werden?</source>
        <translation>%1 cannot be moved to the trash.<byte value="xd"/>
Delete the file for good?</translation>
    </message>
    <message>
        <source>Das Handbuch %1 kann nicht geöffnet werden.</source>
        <translation>The manual %1 cannot be opened.</translation>
    </message>
    <message>
        <source>JPG-Dateien öffnen</source>
        <translation>Open JPG files</translation>
    </message>
    <message>
        <source>JPG-Dateien (*.jpg *.jpeg *.JPG *.JPEG);;Alle Dateien (*)</source>
        <translation>JPG files (*.jpg *.jpeg *.JPG *.JPEG);;All files (*)</translation>
    </message>
    <message>
        <source>Dateien werden umbenannt …</source>
        <translation>Renaming files …</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Dateien werden umbenannt: %1 von %2</source>
        <translation>Renaming files: %1 of %2</translation>
    </message>
    <message>
        <source>Die Adresse %1 kann nicht geöffnet werden.</source>
        <translation>The address %1 cannot be opened.</translation>
    </message>
    <message>
        <source>KML-Datei für Google Earth</source>
        <translation>KML file for Google Earth</translation>
    </message>
    <message>
        <source>Name der KML-Datei (ohne Ordner: neben dem ersten Bild):</source>
        <translation>Name of the KML file (without a folder: beside the first picture):</translation>
    </message>
    <message>
        <source>%1 von %2 Bildern in %3 geschrieben</source>
        <translation>%1 of %2 pictures written to %3</translation>
    </message>
    <message>
        <source>Ohne Position: %1</source>
        <translation>Without position: %1</translation>
    </message>
    <message>
        <source>Bilder werden gelesen: %1 von %2</source>
        <translation>Reading pictures: %1 of %2</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TForm2</name>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Aufnahmedatum und Zeit angeben</source>
        <translation>Give capture date and time</translation>
    </message>
    <message>
        <source>Aufnahmedatum</source>
        <translation>Capture date</translation>
    </message>
    <message>
        <source>Aufnahmezeit</source>
        <translation>Capture time</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TForm3</name>
    <message>
        <source>ClipBoard-Format</source>
        <translation>Clipboard format</translation>
    </message>
    <message>
        <source>Grad, min, sec</source>
        <translation>Deg, min, sec</translation>
    </message>
    <message>
        <source>dezimal</source>
        <translation>decimal</translation>
    </message>
    <message>
        <source>Breite und Länge aus Zwischenablage</source>
        <translation>Latitude and longitude from clipboard</translation>
    </message>
    <message>
        <source>Breite und Länge in Zwischenablage</source>
        <translation>Latitude and longitude to clipboard</translation>
    </message>
    <message>
        <source>In Hauptfenster übernehmen</source>
        <translation>Take over into main window</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>GPS-Daten editieren</source>
        <translation>Edit GPS data</translation>
    </message>
    <message>
        <source>GPS-Daten</source>
        <translation>GPS data</translation>
    </message>
</context>
<context>
    <name>Fotarium::App::TForm4</name>
    <message>
        <source>Aufnahmedatum</source>
        <translation>Capture date</translation>
    </message>
    <message>
        <source>nur für Dateinamen verwenden</source>
        <translation>use for the file name only</translation>
    </message>
    <message>
        <source>auch in die Exif-Daten eintragen</source>
        <translation>also write into the Exif data</translation>
    </message>
    <message>
        <source>Abbruch</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Bitte Aufnahmedatum wählen</source>
        <translation>Please choose the capture date</translation>
    </message>
    <message>
        <source>Aufnahmezeit</source>
        <translation>Capture time</translation>
    </message>
</context>
<context>
    <name>GPSTexts</name>
    <message>
        <source>Ungültige Koordinate &quot;%1&quot;: %2</source>
        <translation>Invalid coordinate &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>die Sekundenangabe ist zu lang</source>
        <translation>the seconds are too long</translation>
    </message>
    <message>
        <source>Grad, Minuten und Sekunden dürfen nicht negativ sein</source>
        <translation>degrees, minutes and seconds must not be negative</translation>
    </message>
    <message>
        <source>die Sekundenangabe ist zu groß</source>
        <translation>the seconds are too large</translation>
    </message>
    <message>
        <source>Keine GPS-Daten verfügbar!</source>
        <translation>No GPS data available!</translation>
    </message>
    <message>
        <source>Diese Option ist noch nicht verfügbar!</source>
        <translation>This option is not available yet!</translation>
    </message>
</context>
<context>
    <name>Guard</name>
    <message>
        <source>Unbekannter Fehler</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>KeyFields</name>
    <message>
        <source>ungültig</source>
        <translation>invalid</translation>
    </message>
    <message>
        <source>Beschreibung:</source>
        <translation>Description:</translation>
    </message>
    <message>
        <source>Werte</source>
        <translation>Values</translation>
    </message>
    <message>
        <source>Kamera-Hersteller:</source>
        <translation>Camera make:</translation>
    </message>
    <message>
        <source>Kamera-Modell</source>
        <translation>Camera model</translation>
    </message>
    <message>
        <source>Orientierung</source>
        <translation>Orientation</translation>
    </message>
    <message>
        <source>Ausdehnung (B x H)</source>
        <translation>Size (W x H)</translation>
    </message>
    <message>
        <source>Geographische Breite</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>Geographische Länge</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>Geographische Höhe</source>
        <translation>Altitude</translation>
    </message>
    <message>
        <source>%1 Meter</source>
        <translation>%1 metres</translation>
    </message>
    <message>
        <source>Aufnahmedatum</source>
        <translation>Capture date</translation>
    </message>
    <message>
        <source>Bildbeschreibung</source>
        <translation>Image description</translation>
    </message>
    <message>
        <source>Auflösung</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>Kommentar</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>unbekannt</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>normal</translation>
    </message>
    <message>
        <source>horizontal gespiegelt</source>
        <translation>mirrored horizontally</translation>
    </message>
    <message>
        <source>um 180° gedreht</source>
        <translation>rotated by 180°</translation>
    </message>
    <message>
        <source>vertical gespiegelt</source>
        <translation>mirrored vertically</translation>
    </message>
    <message>
        <source>an Hauptdiagonale gespiegelt</source>
        <translation>mirrored at the main diagonal</translation>
    </message>
    <message>
        <source>um 90° gedreht</source>
        <translation>rotated by 90°</translation>
    </message>
    <message>
        <source>an Nebendiagonale gespiegelt</source>
        <translation>mirrored at the anti-diagonal</translation>
    </message>
    <message>
        <source>um 270° gedreht</source>
        <translation>rotated by 270°</translation>
    </message>
</context>
<context>
    <name>LibraryMessages</name>
    <message>
        <source>Stream is read-only</source>
        <translation>Stream is read-only</translation>
    </message>
    <message>
        <source>Unsupported graphic format</source>
        <translation>Unsupported graphic format</translation>
    </message>
    <message>
        <source>JPEG header is not valid</source>
        <translation>JPEG header is not valid</translation>
    </message>
    <message>
        <source>Photoshop (PSD) file header is not valid</source>
        <translation>Photoshop (PSD) file header is not valid</translation>
    </message>
    <message>
        <source>Invalid TIFF data</source>
        <translation>Invalid TIFF data</translation>
    </message>
    <message>
        <source>Tag with ID of &quot;%1&quot; already exists in section</source>
        <translation>Tag with ID of &quot;%1&quot; already exists in section</translation>
    </message>
    <message>
        <source>JPEG segment data of %1 bytes is too large: a segment carries at most 65533 bytes</source>
        <translation>JPEG segment data of %1 bytes is too large: a segment carries at most 65533 bytes</translation>
    </message>
    <message>
        <source>Illegal attempt to edit the Exif data in such a way that it would change the file structure</source>
        <translation>Illegal attempt to edit the Exif data in such a way that it would change the file structure</translation>
    </message>
    <message>
        <source>Tag may contain only ASCII string data</source>
        <translation>Tag may contain only ASCII string data</translation>
    </message>
    <message>
        <source>Invalid MakerNote format</source>
        <translation>Invalid MakerNote format</translation>
    </message>
    <message>
        <source>XMP packet is not valid</source>
        <translation>XMP packet is not valid</translation>
    </message>
    <message>
        <source>Sub-properties must be named</source>
        <translation>Sub-properties must be named</translation>
    </message>
    <message>
        <source>Property type does not support sub-properties</source>
        <translation>Property type does not support sub-properties</translation>
    </message>
    <message>
        <source>Cannot assign a single value to a structure property</source>
        <translation>Cannot assign a single value to a structure property</translation>
    </message>
    <message>
        <source>The schema&apos;s PreferredPrefix property must be set before a new item can be added</source>
        <translation>The schema&apos;s PreferredPrefix property must be set before a new item can be added</translation>
    </message>
    <message>
        <source>Tags can only be added during AddTagsToWrite</source>
        <translation>Tags can only be added during AddTagsToWrite</translation>
    </message>
    <message>
        <source>The saved picture did not read back as written; the original was left unchanged</source>
        <translation>The saved picture did not read back as written; the original was left unchanged</translation>
    </message>
    <message>
        <source>Exif data of %1 bytes does not fit into a JPEG APP1 segment (at most %2 bytes)</source>
        <translation>Exif data of %1 bytes does not fit into a JPEG APP1 segment (at most %2 bytes)</translation>
    </message>
    <message>
        <source>Thumbnail of %1 bytes is too large: at most %2 bytes can be saved</source>
        <translation>Thumbnail of %1 bytes is too large: at most %2 bytes can be saved</translation>
    </message>
    <message>
        <source>No JFIF segment!</source>
        <translation>No JFIF segment!</translation>
    </message>
    <message>
        <source>The Exif block is read-only</source>
        <translation>The Exif block is read-only</translation>
    </message>
    <message>
        <source>A rendered XMP packet cannot be loaded</source>
        <translation>A rendered XMP packet cannot be loaded</translation>
    </message>
    <message>
        <source>An unknown XMP namespace has no preferred prefix or URI</source>
        <translation>An unknown XMP namespace has no preferred prefix or URI</translation>
    </message>
    <message>
        <source>An XMP property&apos;s name cannot be set to an empty text</source>
        <translation>An XMP property&apos;s name cannot be set to an empty text</translation>
    </message>
</context>
<context>
    <name>PictureList</name>
    <message>
        <source>Zu wenig Arbeitsspeicher</source>
        <translation>Not enough memory</translation>
    </message>
    <message>
        <source>Unbekannter Fehler beim Lesen von %1</source>
        <translation>Unknown error while reading %1</translation>
    </message>
    <message>
        <source>%1 ist keine JPG-Datei!</source>
        <translation>%1 is no JPG file!</translation>
    </message>
</context>
<context>
    <name>PlatformMessages</name>
    <message>
        <source>Stream-Lesefehler</source>
        <translation>Stream read error</translation>
    </message>
    <message>
        <source>Stream-Schreibfehler</source>
        <translation>Stream write error</translation>
    </message>
    <message>
        <source>Fehler bei Bereichsprüfung</source>
        <translation>Range check error</translation>
    </message>
    <message>
        <source>Kein Speicher mehr für den Stream</source>
        <translation>Out of memory for the stream</translation>
    </message>
    <message>
        <source>Ungültige Stream-Größe</source>
        <translation>Invalid stream size</translation>
    </message>
    <message>
        <source>Listenindex überschreitet das Maximum (%1)</source>
        <translation>List index exceeds the maximum (%1)</translation>
    </message>
    <message>
        <source>Listenindex außerhalb des gültigen Bereichs (%1)</source>
        <translation>List index out of bounds (%1)</translation>
    </message>
    <message>
        <source>Stringliste erlaubt keine Duplikate</source>
        <translation>String list does not allow duplicates</translation>
    </message>
    <message>
        <source>Operation bei sortierten Stringlisten nicht erlaubt</source>
        <translation>Operation not allowed on sorted string lists</translation>
    </message>
    <message>
        <source>%1 kann nicht zu %2 zugewiesen werden</source>
        <translation>Cannot assign a %1 to a %2</translation>
    </message>
    <message>
        <source>Keine Daten für den Datensatz</source>
        <translation>No data for the dataset</translation>
    </message>
    <message>
        <source>Ungültiges Argument für Zeitkodierung</source>
        <translation>Invalid argument to time encode</translation>
    </message>
    <message>
        <source>Ungültiges Argument für Datumskodierung</source>
        <translation>Invalid argument to date encode</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist kein gültiger Integerwert</source>
        <translation>&apos;%1&apos; is not a valid integer value</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist kein gültiger Gleitkommawert</source>
        <translation>&apos;%1&apos; is not a valid floating point value</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist keine gültige Uhrzeit</source>
        <translation>&apos;%1&apos; is not a valid time</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist kein gültiges Datum</source>
        <translation>&apos;%1&apos; is not a valid date</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist kein gültiges Datum und Uhrzeit</source>
        <translation>&apos;%1&apos; is not a valid date and time</translation>
    </message>
    <message>
        <source>Ungültiger Skalierungsnenner %1</source>
        <translation>Invalid scale denominator %1</translation>
    </message>
    <message>
        <source>Ungültige Bitmap-Größe %1 x %2</source>
        <translation>Invalid bitmap size %1 x %2</translation>
    </message>
    <message>
        <source>JPEG-Fehler #%1: %2</source>
        <translation>JPEG error #%1: %2</translation>
    </message>
    <message>
        <source>JPEG-Farbraum wird nicht unterstützt</source>
        <translation>JPEG colour space is not supported</translation>
    </message>
    <message>
        <source>Eine leere Bitmap kann nicht als JPEG gespeichert werden</source>
        <translation>An empty bitmap cannot be saved as JPEG</translation>
    </message>
    <message>
        <source>Die Datei ist zu groß für eine Ini-Datei: %1</source>
        <translation>The file is too large for an ini file: %1</translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; kann nicht geöffnet werden. %2</source>
        <translation>Cannot open file &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; kann nicht erstellt werden. %2</source>
        <translation>Cannot create file &quot;%1&quot;. %2</translation>
    </message>
</context>
<context>
    <name>Preview</name>
    <message>
        <source>Das Bild ist für eine Vorschau zu groß (%1 x %2 Bildpunkte)</source>
        <translation>The picture is too large for a preview (%1 x %2 pixels)</translation>
    </message>
</context>
<context>
    <name>PreviewImage</name>
    <message>
        <source>Zu wenig Arbeitsspeicher für die Vorschau</source>
        <translation>Not enough memory for the preview</translation>
    </message>
    <message>
        <source>Die Vorschau konnte nicht erstellt werden</source>
        <translation>The preview could not be made</translation>
    </message>
</context>
<context>
    <name>SystemErrors</name>
    <message>
        <source>Operation not permitted</source>
        <translation>Operation not permitted</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>No such file or directory</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Input/output error</translation>
    </message>
    <message>
        <source>Cannot allocate memory</source>
        <translation>Cannot allocate memory</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>Device or resource busy</source>
        <translation>Device or resource busy</translation>
    </message>
    <message>
        <source>File exists</source>
        <translation>File exists</translation>
    </message>
    <message>
        <source>Invalid cross-device link</source>
        <translation>Invalid cross-device link</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>Not a directory</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>Is a directory</translation>
    </message>
    <message>
        <source>Invalid argument</source>
        <translation>Invalid argument</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>Too many open files</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>File too large</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>No space left on device</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Read-only file system</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>File name too long</translation>
    </message>
    <message>
        <source>Too many levels of symbolic links</source>
        <translation>Too many levels of symbolic links</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Disk quota exceeded</translation>
    </message>
    <message>
        <source>Directory not empty</source>
        <translation>Directory not empty</translation>
    </message>
    <message>
        <source>Text file busy</source>
        <translation>Text file busy</translation>
    </message>
</context>
<context>
    <name>WindowRules</name>
    <message>
        <source>Format-String:<byte value="xd"/>
(@ steht für den aktuellen Dateinamen,<byte value="xd"/>
 weitere Textbestandteile können in &quot; &quot; eingeschlossen werden.</source>
        <translation>Format string:<byte value="xd"/>
(@ stands for the current file name,<byte value="xd"/>
 further text parts can be enclosed in &quot; &quot;.</translation>
    </message>
    <message>
        <source>Umbenennen von %1 scheiterte mit Fehler: %2</source>
        <translation>Renaming %1 failed with error: %2</translation>
    </message>
    <message>
        <source>%1 besitzt keine Exif-Daten<byte value="xd"/>
Soll ein leerer Satz angelegt werden?</source>
        <translation>%1 has no Exif data<byte value="xd"/>
Create an empty set?</translation>
    </message>
    <message>
        <source>Ziehen Sie die JPG-Dateien mit &quot;Drag and Drop&quot; auf das Formular!</source>
        <translation>Drag the JPG files onto the window with &quot;drag and drop&quot;!</translation>
    </message>
    <message>
        <source>Bilderliste nach Aufnahmedatum sortieren  </source>
        <translation>Sort picture list by capture date  </translation>
    </message>
    <message>
        <source>Bilderliste nach Namen sortieren          </source>
        <translation>Sort picture list by name          </translation>
    </message>
    <message>
        <source>neuer Name:</source>
        <translation>new name:</translation>
    </message>
</context>
</TS>
