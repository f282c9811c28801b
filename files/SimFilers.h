#pragma once

// The scene filer's base: where a scene lives on disk, how its six cube face images are named, and
// how the simulator places the model aircraft in it (the FMS placement data).
//
// Text encodings: paths and the face images' base name are file names and therefore UTF-8, as the
// disk has them; the scene file itself is CP932, and the reader and writer convert at that boundary.
// The ground-data lines are scene text and stay CP932 bytes.

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Vector3.h"
#include "platform/zeClasses.h"

namespace vrel {

// The framework's fixed-point decimal: a signed 64-bit count of 1/10000. Kept as the count, so that
// values read, edited and written keep their four decimals exactly.
class Currency {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Currency() = default;
  static constexpr Currency FromCount(int64_t count) { return Currency(count); }
  // value x 10000 rounded to the nearest count, halves away from zero; nothing when the value is not
  // finite or the count would leave the 64-bit range.
  static std::optional<Currency> FromDouble(double value);

  constexpr int64_t Count() const { return count_; }
  double ToDouble() const { return static_cast<double>(count_) / static_cast<double>(kScale); }

  constexpr auto operator<=>(const Currency&) const = default;

 private:
  constexpr explicit Currency(int64_t count) : count_(count) {}
  int64_t count_ = 0;
};

// The value with `decimals` places (clamped to 0..18), "." as decimal point, rounded half away from
// zero from the exact count; a value that rounds to zero has no minus sign.
std::string FormatCurrency(Currency value, int decimals);

// ---- placement data ---------------------------------------------------------------------------

class TSimDataHolder : public TNotifyPersistent {
  VREL_CLASS_INFO(TSimDataHolder, TNotifyPersistent)
 public:
  static constexpr int32_t kMinAreaRadius = 100;

  // Every value starts at 0 (AreaRadius too); SetDefaults gives the defaults.
  TSimDataHolder() = default;

  Currency AirCraftX() const { return airCraftX_; }
  void SetAirCraftX(Currency value);
  Currency AirCraftY() const { return airCraftY_; }
  void SetAirCraftY(Currency value);
  Currency AirCraftZ() const { return airCraftZ_; }
  void SetAirCraftZ(Currency value);
  // A value below 100 is raised to 100.
  int32_t AreaRadius() const { return areaRadius_; }
  void SetAreaRadius(int32_t value);
  Currency SceneRotate() const { return sceneRotate_; }
  void SetSceneRotate(Currency value);

  // X -5, Y 0, Z -1.7, radius 1000, rotation 0, each through its setter.
  virtual void SetDefaults();
  // From any placement holder, as one batch: every value through its setter, then one OnChange, and
  // none when no value changed.
  void Assign(const TPersistent* source) final;

 protected:
  // Stores and announces only a real change.
  void SetCurrency(Currency& field, Currency value);
  // Assign's work: the five values above; holders with more values add theirs.
  virtual void AssignValues(const TSimDataHolder& source);
  void Changed() override;

 private:
  bool changedInBatch_ = false;
  Currency airCraftX_;
  Currency airCraftY_;
  Currency airCraftZ_;
  int32_t areaRadius_ = 0;
  Currency sceneRotate_;
};

// The FMS placement. FMS has Z up; the editor has Y up.
class TFMSDataHolder : public TSimDataHolder {
  VREL_CLASS_INFO(TFMSDataHolder, TSimDataHolder)
 public:
  Currency PilotZ() const { return pilotZ_; }
  void SetPilotZ(Currency value);
  Currency SlopeX() const { return slopeX_; }
  void SetSlopeX(Currency value);
  Currency SlopeY() const { return slopeY_; }
  void SetSlopeY(Currency value);

  // Pilot Z and the slopes to 0, then the placement defaults.
  void SetDefaults() override;

  // The aircraft's start position in editor axes: (AirCraftX, AirCraftZ, AirCraftY).
  Vec3 GetAircraftVector() const;

 protected:
  // The placement values; from an FMS holder also pilot Z and the slopes.
  void AssignValues(const TSimDataHolder& source) override;

 private:
  Currency pilotZ_;
  Currency slopeX_;
  Currency slopeY_;
};

// The placement of a second scene format that no file operation produces or reads; each filer keeps
// one and resets it with the FMS data.
class TRCPDataHolder : public TSimDataHolder {
  VREL_CLASS_INFO(TRCPDataHolder, TSimDataHolder)
 public:
  Currency AirCraftRotate() const { return airCraftRotate_; }
  void SetAirCraftRotate(Currency value);
  Currency SlopeX() const { return slopeX_; }
  void SetSlopeX(Currency value);
  Currency SlopeZ() const { return slopeZ_; }
  void SetSlopeZ(Currency value);

  void SetDefaults() override;

 protected:
  void AssignValues(const TSimDataHolder& source) override;

 private:
  Currency airCraftRotate_;
  Currency slopeX_;
  Currency slopeZ_;
};

// ---- the filer --------------------------------------------------------------------------------

enum TCubeSuffix : uint8_t { csLeft, csZero };
enum TExtractImageType : uint8_t { eiBitmap, eiJpeg, eiTiff };
enum TImageSizeMode : uint8_t { ismSmall, ismNormal, ismLarge };
enum TSceneFormat : uint8_t { sfFMS, sfRCP };
enum TSceneType : uint8_t { stCube, stSphere };
enum TSimProgressMode : uint8_t { spAppend, spUpdate };

using TSimProgressEvent = std::function<void(TObject* sender, const std::string& text, TSimProgressMode mode)>;

inline constexpr int kCubeFaceCount = 6;

// A scene file larger than this is refused instead of being read into memory; the reader needs only
// its header, and the scenes the simulator loads are a small fraction of it.
inline constexpr std::size_t kMaxSceneFileSize = std::size_t{256} << 20;

// The file-name suffix of face `face` (0 left, 1 front, 2 right, 3 back, 4 top, 5 bottom) in a set:
// "_left" ... "_bottom", or "_3", "_0", "_1", "_2", "_4", "_5".
const char* FaceImageSuffix(TCubeSuffix set, int face);

// The text before / after the last "_" of the file-name part of CP932 text (what follows the last
// "/" or "\"); both empty when the file name holds no "_". Double-byte characters are stepped over
// whole, so neither an underscore nor a backslash code inside one (the second byte of a kana may be
// 0x5F or 0x5C) is ever taken.
std::string ExtractCubeBaseName(std::string_view cp932);
std::string ExtractCubeSuffix(std::string_view cp932);

// True when the text holds a control character (a byte below 0x20, or 0x7F). A base name or face
// image name with one would split or garble the scene file line it is written to, so the reader
// passes such names over and a save refuses them.
bool HasControlCharacter(std::string_view text);

// The same for a UTF-8 path, where no ASCII byte occurs inside a multi-byte character.
std::string ExtractCubeBaseNameUtf8(std::string_view path);
std::string ExtractCubeSuffixUtf8(std::string_view path);

// Path pieces of a UTF-8 path; "/" and "\" both separate folders, as names may come from Windows.
// The folder with its trailing separator ("" when there is none).
std::string PathFolder(std::string_view path);
std::string PathFileName(std::string_view path);
// The extension of the file name with its dot ("" when there is none).
std::string PathExtension(std::string_view path);
// The path without the extension of its file name.
std::string PathWithoutExtension(std::string_view path);

// The path of file `name` in `folder` (with its trailing separator, "" for the working folder):
// folder + name when that file exists, else the first file of the folder (by name) whose name equals
// `name` in another case, as files that come from Windows may have it; "" when there is neither.
std::string FindFileIgnoringCase(const std::string& folder, const std::string& name);

// An error message box (the text, an error icon, one OK button) through the message-box port.
void ShowSimError(const std::string& message);

class TSimFiler : public TNotifyPersistent {
  VREL_CLASS_INFO(TSimFiler, TNotifyPersistent)
 public:
  // The placement holders start with every value 0; Reset gives the defaults.
  TSimFiler();
  ~TSimFiler() override;

  TCubeSuffix CubeSuffix() const { return cubeSuffix_; }
  void SetCubeSuffix(TCubeSuffix value);
  TExtractImageType ExtractImageType() const { return extractImageType_; }
  void SetExtractImageType(TExtractImageType value);
  const std::string& ImageFileName() const { return imageFileName_; }
  void SetImageFileName(const std::string& value);
  TImageSizeMode ImageSizeMode() const { return imageSizeMode_; }
  void SetImageSizeMode(TImageSizeMode value);
  const std::string& SceneFilename() const { return sceneFilename_; }
  void SetSceneFilename(const std::string& value);
  TSceneFormat SceneFormat() const { return sceneFormat_; }
  void SetSceneFormat(TSceneFormat value);
  TSceneType SceneType() const { return sceneType_; }
  void SetSceneType(TSceneType value);
  // The face images' base name, without folder, suffix or extension (UTF-8).
  const std::string& TextureBasename() const { return textureBasename_; }
  void SetTextureBasename(const std::string& value);

  TSimProgressEvent OnProgress;

  TFMSDataHolder* FMSData() const { return fmsData_.get(); }
  TRCPDataHolder* RCPData() const { return rcpData_.get(); }
  int32_t FaceSize() const { return faceSize_; }
  // The six face image paths in face order (UTF-8).
  std::vector<std::string>& ImageNames() { return imageNames_; }
  const std::vector<std::string>& ImageNames() const { return imageNames_; }
  // The header lines from the one holding sf_GroundDataStart to the one holding sf_GroundDataEnd,
  // as the reader found them (CP932); the writer puts them back.
  std::vector<std::string>& GroundDataLines() { return groundDataLines_; }
  const std::vector<std::string>& GroundDataLines() const { return groundDataLines_; }

  // Both holders to their defaults; image file, scene file and base name emptied through the
  // setters. Lists, enumerations and the cube image name stay.
  void Reset();
  // The folder of SceneFilename with its trailing separator; "" when the name has none.
  std::string GetSceneFolder() const;
  // The first face image path, or "".
  std::string FirstImageName() const;
  void DoProgress(const std::string& text, TSimProgressMode mode);

  // The six paths scene folder + base name + suffix + ".bmp" in face order. A file that does not
  // exist under that exact name but under the same name in another case (the files come from
  // Windows) is taken by its name on disk.
  void BuildImageList();
  // The face images that opening the scene looks for (scene folder + base name + suffix + ".bmp",
  // in any case) and would not find, in face order: their names without folder.
  std::vector<std::string> MissingSceneImages() const;

  // Reads the placement, panorama kind, suffix scheme and base name of a scene file (UTF-8 path).
  // False, with nothing changed, when there is no such file (or a folder of that name). Raises
  // Exception, with nothing changed, when the name is no regular file (a FIFO or a device is not
  // opened in a way that could block), is larger than kMaxSceneFileSize or cannot be read.
  // Everything else is in ReadSceneText (FMSSceneReader.h).
  bool LoadSceneFile(const std::string& fileName);
  // The same for the bytes of a scene file.
  virtual bool LoadSceneText(std::string_view bytes);

  // Appends the comment header that the reader reads back (CP932 lines). Raises Exception when the
  // base name has no CP932 form or holds a control character.
  void WriteSceneHeader(std::vector<std::string>& lines) const;

 protected:
  template <class T>
  void SetField(T& field, const T& value) {
    if (field == value)
      return;
    field = value;
    Changed();
  }

  int32_t faceSize_ = 0;

 private:
  // The file name opening the scene looks for as face `face`'s image: base name + suffix + ".bmp".
  std::string SceneImageName(int face) const;

  TCubeSuffix cubeSuffix_ = csLeft;
  TExtractImageType extractImageType_ = eiBitmap;
  std::string imageFileName_;
  TImageSizeMode imageSizeMode_ = ismSmall;
  std::string sceneFilename_;
  TSceneFormat sceneFormat_ = sfFMS;
  TSceneType sceneType_ = stCube;
  std::string textureBasename_;
  std::unique_ptr<TFMSDataHolder> fmsData_;
  std::unique_ptr<TRCPDataHolder> rcpData_;
  std::vector<std::string> imageNames_;
  std::vector<std::string> groundDataLines_;
};

}  // namespace vrel
