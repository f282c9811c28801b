#pragma once

// Classes that read object files of the older layer-set layout: the current classes' published
// properties plus the older ones (default width and height of new blades, the pick range, the
// materials), which are read and then dropped. The object-file reader falls back on them when a
// file does not read into the current classes, and appends the layers it got into the document.
//
// The current layer set makes items of its own class only, so the converter's layer set and
// container are built on the collection and component bases with the same published properties
// instead of deriving from those two classes; the streams they read are the same.

#include <cstdint>
#include <memory>
#include <string_view>

#include "scene/DX9Square.h"

namespace vrel {

// A colour name of the older files ("clWhite", "clBtnFace", ...) as the colour number it stands for;
// false for any other name.
bool ColorIdentToInt(std::string_view ident, int64_t& value);

// One drawing material of the older layout: a colour (number or colour name) and an opacity.
class TConverterMaterial : public TPersistent {
  VREL_CLASS_INFO(TConverterMaterial, TPersistent)
 public:
  int32_t Alpha() const { return alpha_; }
  void SetAlpha(int32_t value) { alpha_ = value; }
  int32_t Color() const { return color_; }
  void SetColor(int32_t value) { color_ = value; }
  bool IgnoresUnknownProperties() const override { return true; }

 private:
  int32_t alpha_ = 100;
  int32_t color_ = 0xFFFFFF;
};

// The materials record of the older layer set. Only read: nothing of it reaches the document.
class TConverterMaterials : public TPersistent {
  VREL_CLASS_INFO(TConverterMaterials, TPersistent)
 public:
  TConverterMaterial* Border() const { return &materials_[0]; }
  TConverterMaterial* Surface() const { return &materials_[1]; }
  int32_t PointSize() const { return pointSize_; }
  void SetPointSize(int32_t value) { pointSize_ = value; }
  TConverterMaterial* Reverse() const { return &materials_[2]; }
  TConverterMaterial* Selected() const { return &materials_[3]; }
  TConverterMaterial* TextureBorder() const { return &materials_[4]; }
  TConverterMaterial* TextureSurface() const { return &materials_[5]; }
  TConverterMaterial* TextureSelected() const { return &materials_[6]; }
  // Older versions may have had materials this one does not know.
  bool IgnoresUnknownProperties() const override { return true; }

 private:
  mutable TConverterMaterial materials_[7];
  int32_t pointSize_ = 5;
};

// A layer of the older layout.
class TConverterCollection : public TSquareBladeCollection {
  VREL_CLASS_INFO(TConverterCollection, TSquareBladeCollection)
 public:
  explicit TConverterCollection(TPersistent* owner = nullptr) : TSquareBladeCollection(owner) {}
  int32_t DefaultWidth() const { return defaultWidth_; }
  void SetDefaultWidth(int32_t value) { defaultWidth_ = value; }
  float DefaultY() const { return defaultY_; }
  void SetDefaultY(float value) { defaultY_ = value; }

 private:
  int32_t defaultWidth_ = 0;
  float defaultY_ = 0;
};

// An entry of the older layer set; its child collection is a TConverterCollection.
class TConverterItem : public TChildCollectionItem {
  VREL_CLASS_INFO(TConverterItem, TChildCollectionItem)
 public:
  explicit TConverterItem(TCollection* collection);
  TConverterCollection* Layer() const { return static_cast<TConverterCollection*>(ChildCollection()); }
};

// The older layer set: CurrentIndex as the current one has, then the older properties.
class TConverterCollections : public TNotifyCollection {
  VREL_CLASS_INFO(TConverterCollections, TNotifyCollection)
 public:
  explicit TConverterCollections(TPersistent* owner = nullptr);

  TConverterCollection* Layer(int index) const { return static_cast<TConverterItem*>(Items(index))->Layer(); }
  TConverterCollection* AddLayer() { return static_cast<TConverterItem*>(Add())->Layer(); }

  int32_t CurrentIndex() const { return currentIndex_; }
  void SetCurrentIndex(int32_t value) { currentIndex_ = value; }
  int32_t DefaultWidth() const { return defaultWidth_; }
  void SetDefaultWidth(int32_t value) { defaultWidth_ = value; }
  float DefaultY() const { return defaultY_; }
  void SetDefaultY(float value) { defaultY_ = value; }
  int32_t HitRange() const { return hitRange_; }
  void SetHitRange(int32_t value) { hitRange_ = value; }
  TConverterMaterials* Materials() const { return &materials_; }

 private:
  int32_t currentIndex_ = 0;
  int32_t defaultWidth_ = 0;
  float defaultY_ = 0;
  int32_t hitRange_ = 0;
  mutable TConverterMaterials materials_;
};

// The container of the older layout: CurrentIndex and Collections, as the current container.
class TVrelConverter : public TComponent {
  VREL_CLASS_INFO(TVrelConverter, TComponent)
 public:
  explicit TVrelConverter(TComponent* owner = nullptr);
  ~TVrelConverter() override;

  int32_t CurrentIndex() const { return currentIndex_; }
  void SetCurrentIndex(int32_t value) { currentIndex_ = value; }
  TConverterCollections* Collections() const { return collections_.get(); }

  // Binds every layer's corners, as the current container does, so that the layers can be
  // appended (appending renumbers the vertices, and only bound corners follow).
  void Loaded() override;

 private:
  int32_t currentIndex_ = 0;
  std::unique_ptr<TConverterCollections> collections_;
};

// Appends every layer of `converter` to `target` (AppendLayer), keeping each layer's Name, Visible
// and Locked, which appending alone would lose.
void AppendConverterLayers(const TVrelConverter& converter, TSquareBladeCollections& target);

}  // namespace vrel
