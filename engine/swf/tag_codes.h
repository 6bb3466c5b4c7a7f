// Tag codes of the file format that the parser knows by name.
#pragma once

#include <cstdint>

namespace swf::tag {

inline constexpr uint16_t End = 0;
inline constexpr uint16_t ShowFrame = 1;
inline constexpr uint16_t DefineShape = 2;
inline constexpr uint16_t PlaceObject = 4;
inline constexpr uint16_t RemoveObject = 5;
inline constexpr uint16_t DefineBits = 6;
inline constexpr uint16_t DefineButton = 7;
inline constexpr uint16_t JPEGTables = 8;
inline constexpr uint16_t SetBackgroundColor = 9;
inline constexpr uint16_t DefineFont = 10;
inline constexpr uint16_t DefineText = 11;
inline constexpr uint16_t DoAction = 12;
inline constexpr uint16_t DefineFontInfo = 13;
inline constexpr uint16_t DefineSound = 14;
inline constexpr uint16_t StartSound = 15;
inline constexpr uint16_t DefineButtonSound = 17;
inline constexpr uint16_t SoundStreamHead = 18;
inline constexpr uint16_t SoundStreamBlock = 19;
inline constexpr uint16_t DefineBitsLossless = 20;
inline constexpr uint16_t DefineBitsJPEG2 = 21;
inline constexpr uint16_t DefineShape2 = 22;
inline constexpr uint16_t DefineButtonCxform = 23;
inline constexpr uint16_t Protect = 24;
inline constexpr uint16_t PlaceObject2 = 26;
inline constexpr uint16_t RemoveObject2 = 28;
inline constexpr uint16_t DefineShape3 = 32;
inline constexpr uint16_t DefineText2 = 33;
inline constexpr uint16_t DefineButton2 = 34;
inline constexpr uint16_t DefineBitsJPEG3 = 35;
inline constexpr uint16_t DefineBitsLossless2 = 36;
inline constexpr uint16_t DefineEditText = 37;
inline constexpr uint16_t DefineSprite = 39;
inline constexpr uint16_t ProductInfo = 41;
inline constexpr uint16_t FrameLabel = 43;
inline constexpr uint16_t SoundStreamHead2 = 45;
inline constexpr uint16_t DefineMorphShape = 46;
inline constexpr uint16_t DefineFont2 = 48;
inline constexpr uint16_t ExportAssets = 56;
inline constexpr uint16_t ImportAssets = 57;
inline constexpr uint16_t EnableDebugger = 58;
inline constexpr uint16_t DoInitAction = 59;
inline constexpr uint16_t DefineVideoStream = 60;
inline constexpr uint16_t VideoFrame = 61;
inline constexpr uint16_t DefineFontInfo2 = 62;
inline constexpr uint16_t DebugID = 63;
inline constexpr uint16_t EnableDebugger2 = 64;
inline constexpr uint16_t ScriptLimits = 65;
inline constexpr uint16_t SetTabIndex = 66;
inline constexpr uint16_t FileAttributes = 69;
inline constexpr uint16_t PlaceObject3 = 70;
inline constexpr uint16_t ImportAssets2 = 71;
inline constexpr uint16_t DoAbcOld = 72;
inline constexpr uint16_t DefineFontAlignZones = 73;
inline constexpr uint16_t CSMTextSettings = 74;
inline constexpr uint16_t DefineFont3 = 75;
inline constexpr uint16_t SymbolClass = 76;
inline constexpr uint16_t Metadata = 77;
inline constexpr uint16_t DefineScalingGrid = 78;
inline constexpr uint16_t DoAbc = 82;
inline constexpr uint16_t DefineShape4 = 83;
inline constexpr uint16_t DefineMorphShape2 = 84;
inline constexpr uint16_t DefineSceneAndFrameLabelData = 86;
inline constexpr uint16_t DefineBinaryData = 87;
inline constexpr uint16_t DefineFontName = 88;
inline constexpr uint16_t StartSound2 = 89;
inline constexpr uint16_t DefineBitsJPEG4 = 90;
inline constexpr uint16_t DefineFont4 = 91;

}  // namespace swf::tag
