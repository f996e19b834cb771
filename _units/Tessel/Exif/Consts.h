#pragma once

// The library's fixed message texts.
namespace Tessel::Exif::Consts {

inline constexpr const char* SStreamIsReadOnly = "Stream is read-only";
inline constexpr const char* SUnsupportedGraphicFormat = "Unsupported graphic format";
inline constexpr const char* SInvalidJPEGHeader = "JPEG header is not valid";
inline constexpr const char* SInvalidPSDHeader = "Photoshop (PSD) file header is not valid";
inline constexpr const char* SInvalidTiffData = "Invalid TIFF data";
inline constexpr const char* STagAlreadyExists = "Tag with ID of \"{}\" already exists in section";
inline constexpr const char* SJPEGSegmentTooLarge =
    "JPEG segment data of {} bytes is too large: a segment carries at most 65533 bytes";
inline constexpr const char* SIllegalEditOfExifData =
    "Illegal attempt to edit the Exif data in such a way that it would change the file structure";
inline constexpr const char* SNotOnlyASCIIError = "Tag may contain only ASCII string data";
inline constexpr const char* SInvalidMakerNoteFormat = "Invalid MakerNote format";
inline constexpr const char* SInvalidXMPPacket = "XMP packet is not valid";
inline constexpr const char* SSubPropertiesMustBeNamed = "Sub-properties must be named";
inline constexpr const char* SSubPropertiesNotSupported = "Property type does not support sub-properties";
inline constexpr const char* SCannotWriteSingleValueToStructureProperty =
    "Cannot assign a single value to a structure property";
inline constexpr const char* SPreferredPrefixMustBeSet =
    "The schema's PreferredPrefix property must be set before a new item can be added";
inline constexpr const char* SCannotAddTagsNow = "Tags can only be added during AddTagsToWrite";
inline constexpr const char* SSaveNotVerified =
    "The saved picture did not read back as written; the original was left unchanged";

} // namespace Tessel::Exif::Consts
