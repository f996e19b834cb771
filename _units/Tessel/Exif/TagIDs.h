#pragma once

// Tag identifiers of the EXIF directories: IFD0 and IFD1 (TIFF tags used in EXIF
// blocks), the Exif, Interoperability and GPS sub-directories, and the pointer tags
// that link them. The GPS and Interop IDs overlap the others by design: an ID means
// something only together with its directory.

#include <cstdint>

namespace Tessel::Exif {

// IFD0 / IFD1: image structure and description -------------------------------------
inline constexpr std::uint16_t ttNewSubfileType = 0x00FE;
inline constexpr std::uint16_t ttSubfileType = 0x00FF;
inline constexpr std::uint16_t ttImageWidth = 0x0100;
inline constexpr std::uint16_t ttImageLength = 0x0101;
inline constexpr std::uint16_t ttImageHeight = ttImageLength;
inline constexpr std::uint16_t ttBitsPerSample = 0x0102;
inline constexpr std::uint16_t ttCompression = 0x0103;
inline constexpr std::uint16_t ttPhotometricInterpretation = 0x0106;
inline constexpr std::uint16_t ttThresholding = 0x0107;
inline constexpr std::uint16_t ttCellWidth = 0x0108;
inline constexpr std::uint16_t ttCellLength = 0x0109;
inline constexpr std::uint16_t ttFillOrder = 0x010A;
inline constexpr std::uint16_t ttDocumentName = 0x010D;
inline constexpr std::uint16_t ttImageDescription = 0x010E;
inline constexpr std::uint16_t ttMake = 0x010F;
inline constexpr std::uint16_t ttModel = 0x0110;
inline constexpr std::uint16_t ttStripOffsets = 0x0111;
inline constexpr std::uint16_t ttOrientation = 0x0112;
inline constexpr std::uint16_t ttSamplesPerPixel = 0x0115;
inline constexpr std::uint16_t ttRowsPerStrip = 0x0116;
inline constexpr std::uint16_t ttStripByteCounts = 0x0117;
inline constexpr std::uint16_t ttMinSampleValue = 0x0118;
inline constexpr std::uint16_t ttMaxSampleValue = 0x0119;
inline constexpr std::uint16_t ttXResolution = 0x011A;
inline constexpr std::uint16_t ttYResolution = 0x011B;
inline constexpr std::uint16_t ttPlanarConfiguration = 0x011C;
inline constexpr std::uint16_t ttPageName = 0x011D;
inline constexpr std::uint16_t ttXPosition = 0x011E;
inline constexpr std::uint16_t ttYPosition = 0x011F;
inline constexpr std::uint16_t ttFreeOffsets = 0x0120;
inline constexpr std::uint16_t ttFreeByteCounts = 0x0121;
inline constexpr std::uint16_t ttGrayResponseUnit = 0x0122;
inline constexpr std::uint16_t ttGrayResponseCurve = 0x0123;
inline constexpr std::uint16_t ttT4Options = 0x0124;
inline constexpr std::uint16_t ttT6Options = 0x0125;
inline constexpr std::uint16_t ttResolutionUnit = 0x0128;
inline constexpr std::uint16_t ttPageNumber = 0x0129;
inline constexpr std::uint16_t ttTransferFunction = 0x012D;
inline constexpr std::uint16_t ttSoftware = 0x0131;
inline constexpr std::uint16_t ttDateTime = 0x0132;
inline constexpr std::uint16_t ttArtist = 0x013B;
inline constexpr std::uint16_t ttHostComputer = 0x013C;
inline constexpr std::uint16_t ttPredictor = 0x013D;
inline constexpr std::uint16_t ttWhitePoint = 0x013E;
inline constexpr std::uint16_t ttPrimaryChromaticities = 0x013F;
inline constexpr std::uint16_t ttColorMap = 0x0140;
inline constexpr std::uint16_t ttHalftoneHints = 0x0141;
inline constexpr std::uint16_t ttTileWidth = 0x0142;
inline constexpr std::uint16_t ttTileLength = 0x0143;
inline constexpr std::uint16_t ttTileOffsets = 0x0144;
inline constexpr std::uint16_t ttTileByteCounts = 0x0145;
inline constexpr std::uint16_t ttSubIFDs = 0x014A;
inline constexpr std::uint16_t ttInkSet = 0x014C;
inline constexpr std::uint16_t ttInkNames = 0x014D;
inline constexpr std::uint16_t ttNumberOfInks = 0x014E;
inline constexpr std::uint16_t ttDotRange = 0x0150;
inline constexpr std::uint16_t ttTargetPrinter = 0x0151;
inline constexpr std::uint16_t ttExtraSamples = 0x0152;
inline constexpr std::uint16_t ttSampleFormat = 0x0153;
inline constexpr std::uint16_t ttSMinSampleValue = 0x0154;
inline constexpr std::uint16_t ttSMaxSampleValue = 0x0155;
inline constexpr std::uint16_t ttTransferRange = 0x0156;
inline constexpr std::uint16_t ttJPEGProc = 0x0200;
inline constexpr std::uint16_t ttJPEGInterchangeFormat = 0x0201;
inline constexpr std::uint16_t ttJPEGInterchangeFormatLength = 0x0202;
inline constexpr std::uint16_t ttYCbCrCoefficients = 0x0211;
inline constexpr std::uint16_t ttYCbCrSubSampling = 0x0212;
inline constexpr std::uint16_t ttYCbCrPositioning = 0x0213;
inline constexpr std::uint16_t ttReferenceBlackWhite = 0x0214;
inline constexpr std::uint16_t ttXMP = 0x02BC; // XMLPacket: an XMP packet in a TIFF file
inline constexpr std::uint16_t ttRating = 0x4746;
inline constexpr std::uint16_t ttRatingPercent = 0x4749;
inline constexpr std::uint16_t ttCopyright = 0x8298;
inline constexpr std::uint16_t ttIPTC = 0x83BB;    // IPTC-NAA: an IIM dataset stream
inline constexpr std::uint16_t ttPrintIM = 0xC4A5; // print image matching
// UTF-16LE texts written by Windows Explorer, stored as BYTE arrays in IFD0.
inline constexpr std::uint16_t ttXPTitle = 0x9C9B;
inline constexpr std::uint16_t ttXPComment = 0x9C9C;
inline constexpr std::uint16_t ttXPAuthor = 0x9C9D;
inline constexpr std::uint16_t ttXPKeywords = 0x9C9E;
inline constexpr std::uint16_t ttXPSubject = 0x9C9F;
// Room reserved by Windows so that later edits fit in place; and the shift applied
// to the maker note's offsets when a writer moved it.
inline constexpr std::uint16_t ttPadding = 0xEA1C;
inline constexpr std::uint16_t ttOffsetSchema = 0xEA1D;

// Pointer tags ----------------------------------------------------------------------
inline constexpr std::uint16_t ttExifOffset = 0x8769;    // IFD0 -> Exif sub-IFD
inline constexpr std::uint16_t ttGPSOffset = 0x8825;     // IFD0 -> GPS sub-IFD
inline constexpr std::uint16_t ttInteropOffset = 0xA005; // Exif sub-IFD -> Interop sub-IFD

// Exif sub-IFD ----------------------------------------------------------------------
inline constexpr std::uint16_t ttExposureTime = 0x829A;
inline constexpr std::uint16_t ttFNumber = 0x829D;
inline constexpr std::uint16_t ttExposureProgram = 0x8822;
inline constexpr std::uint16_t ttSpectralSensitivity = 0x8824;
inline constexpr std::uint16_t ttISOSpeedRatings = 0x8827;
inline constexpr std::uint16_t ttOECF = 0x8828;
inline constexpr std::uint16_t ttSensitivityType = 0x8830;
inline constexpr std::uint16_t ttStandardOutputSensitivity = 0x8831;
inline constexpr std::uint16_t ttRecommendedExposureIndex = 0x8832;
inline constexpr std::uint16_t ttISOSpeed = 0x8833;
inline constexpr std::uint16_t ttISOSpeedLatitudeyyy = 0x8834;
inline constexpr std::uint16_t ttISOSpeedLatitudezzz = 0x8835;
inline constexpr std::uint16_t ttExifVersion = 0x9000;
inline constexpr std::uint16_t ttDateTimeOriginal = 0x9003;
inline constexpr std::uint16_t ttDateTimeDigitized = 0x9004;
inline constexpr std::uint16_t ttOffsetTime = 0x9010;
inline constexpr std::uint16_t ttOffsetTimeOriginal = 0x9011;
inline constexpr std::uint16_t ttOffsetTimeDigitized = 0x9012;
inline constexpr std::uint16_t ttComponentsConfiguration = 0x9101;
inline constexpr std::uint16_t ttCompressedBitsPerPixel = 0x9102;
inline constexpr std::uint16_t ttShutterSpeedValue = 0x9201;
inline constexpr std::uint16_t ttApertureValue = 0x9202;
inline constexpr std::uint16_t ttBrightnessValue = 0x9203;
inline constexpr std::uint16_t ttExposureBiasValue = 0x9204;
inline constexpr std::uint16_t ttMaxApertureValue = 0x9205;
inline constexpr std::uint16_t ttSubjectDistance = 0x9206;
inline constexpr std::uint16_t ttMeteringMode = 0x9207;
inline constexpr std::uint16_t ttLightSource = 0x9208;
inline constexpr std::uint16_t ttFlash = 0x9209;
inline constexpr std::uint16_t ttFocalLength = 0x920A;
inline constexpr std::uint16_t ttSubjectArea = 0x9214;
inline constexpr std::uint16_t ttMakerNote = 0x927C;
inline constexpr std::uint16_t ttUserComment = 0x9286;
inline constexpr std::uint16_t ttSubsecTime = 0x9290;
inline constexpr std::uint16_t ttSubsecTimeOriginal = 0x9291;
inline constexpr std::uint16_t ttSubsecTimeDigitized = 0x9292;
inline constexpr std::uint16_t ttFlashPixVersion = 0xA000;
inline constexpr std::uint16_t ttColorSpace = 0xA001;
inline constexpr std::uint16_t ttExifImageWidth = 0xA002;  // PixelXDimension
inline constexpr std::uint16_t ttExifImageHeight = 0xA003; // PixelYDimension
inline constexpr std::uint16_t ttRelatedSoundFile = 0xA004;
inline constexpr std::uint16_t ttFlashEnergy = 0xA20B;
inline constexpr std::uint16_t ttSpatialFrequencyResponse = 0xA20C;
inline constexpr std::uint16_t ttFocalPlaneXResolution = 0xA20E;
inline constexpr std::uint16_t ttFocalPlaneYResolution = 0xA20F;
inline constexpr std::uint16_t ttFocalPlaneResolutionUnit = 0xA210;
inline constexpr std::uint16_t ttSubjectLocation = 0xA214;
inline constexpr std::uint16_t ttExposureIndex = 0xA215;
inline constexpr std::uint16_t ttSensingMethod = 0xA217;
inline constexpr std::uint16_t ttFileSource = 0xA300;
inline constexpr std::uint16_t ttSceneType = 0xA301;
inline constexpr std::uint16_t ttCFAPattern = 0xA302;
inline constexpr std::uint16_t ttCustomRendered = 0xA401;
inline constexpr std::uint16_t ttExposureMode = 0xA402;
inline constexpr std::uint16_t ttWhiteBalance = 0xA403;
inline constexpr std::uint16_t ttDigitalZoomRatio = 0xA404;
inline constexpr std::uint16_t ttFocalLengthIn35mmFilm = 0xA405;
inline constexpr std::uint16_t ttSceneCaptureType = 0xA406;
inline constexpr std::uint16_t ttGainControl = 0xA407;
inline constexpr std::uint16_t ttContrast = 0xA408;
inline constexpr std::uint16_t ttSaturation = 0xA409;
inline constexpr std::uint16_t ttSharpness = 0xA40A;
inline constexpr std::uint16_t ttDeviceSettingDescription = 0xA40B;
inline constexpr std::uint16_t ttSubjectDistanceRange = 0xA40C;
inline constexpr std::uint16_t ttImageUniqueID = 0xA420;
inline constexpr std::uint16_t ttCameraOwnerName = 0xA430;
inline constexpr std::uint16_t ttBodySerialNumber = 0xA431;
inline constexpr std::uint16_t ttLensSpecification = 0xA432;
inline constexpr std::uint16_t ttLensMake = 0xA433;
inline constexpr std::uint16_t ttLensModel = 0xA434;
inline constexpr std::uint16_t ttLensSerialNumber = 0xA435;
inline constexpr std::uint16_t ttGamma = 0xA500;

// Interoperability sub-IFD ----------------------------------------------------------
inline constexpr std::uint16_t ttInteropIndex = 0x0001; // the interop type name, e.g. "R98"
inline constexpr std::uint16_t ttInteropVersion = 0x0002;
inline constexpr std::uint16_t ttRelatedImageFileFormat = 0x1000;
inline constexpr std::uint16_t ttRelatedImageWidth = 0x1001;
inline constexpr std::uint16_t ttRelatedImageLength = 0x1002;

// GPS sub-IFD -----------------------------------------------------------------------
inline constexpr std::uint16_t ttGPSVersionID = 0x0000;
inline constexpr std::uint16_t ttGPSLatitudeRef = 0x0001;
inline constexpr std::uint16_t ttGPSLatitude = 0x0002;
inline constexpr std::uint16_t ttGPSLongitudeRef = 0x0003;
inline constexpr std::uint16_t ttGPSLongitude = 0x0004;
inline constexpr std::uint16_t ttGPSAltitudeRef = 0x0005;
inline constexpr std::uint16_t ttGPSAltitude = 0x0006;
inline constexpr std::uint16_t ttGPSTimeStamp = 0x0007;
inline constexpr std::uint16_t ttGPSSatellites = 0x0008;
inline constexpr std::uint16_t ttGPSStatus = 0x0009;
inline constexpr std::uint16_t ttGPSMeasureMode = 0x000A;
inline constexpr std::uint16_t ttGPSDOP = 0x000B;
inline constexpr std::uint16_t ttGPSSpeedRef = 0x000C;
inline constexpr std::uint16_t ttGPSSpeed = 0x000D;
inline constexpr std::uint16_t ttGPSTrackRef = 0x000E;
inline constexpr std::uint16_t ttGPSTrack = 0x000F;
inline constexpr std::uint16_t ttGPSImgDirectionRef = 0x0010;
inline constexpr std::uint16_t ttGPSImgDirection = 0x0011;
inline constexpr std::uint16_t ttGPSMapDatum = 0x0012;
inline constexpr std::uint16_t ttGPSDestLatitudeRef = 0x0013;
inline constexpr std::uint16_t ttGPSDestLatitude = 0x0014;
inline constexpr std::uint16_t ttGPSDestLongitudeRef = 0x0015;
inline constexpr std::uint16_t ttGPSDestLongitude = 0x0016;
inline constexpr std::uint16_t ttGPSDestBearingRef = 0x0017;
inline constexpr std::uint16_t ttGPSDestBearing = 0x0018;
inline constexpr std::uint16_t ttGPSDestDistanceRef = 0x0019;
inline constexpr std::uint16_t ttGPSDestDistance = 0x001A;
inline constexpr std::uint16_t ttGPSProcessingMethod = 0x001B;
inline constexpr std::uint16_t ttGPSAreaInformation = 0x001C;
inline constexpr std::uint16_t ttGPSDateStamp = 0x001D;
inline constexpr std::uint16_t ttGPSDifferential = 0x001E;
inline constexpr std::uint16_t ttGPSHPositioningError = 0x001F;

} // namespace Tessel::Exif
