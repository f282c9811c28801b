#pragma once

// The settings dialog without its window: a copy of the display and editing settings, the tree of
// elements that the user picks one from, the editors each element shows (taken from the display
// settings' table: a colour, a transparency, a size, a line switch), the reset of one element or of
// all, the three switches of the second page, and the live preview: its own overlay stage, cube,
// sample blades and fins drawn with the settings being edited, a camera that the mouse turns, pans
// and zooms, and the scissors' highlight over the sample.
//
// Every change of an editor shows in the preview at once. The preview draws through its own view
// control (TDX9Render), which the window supplies, so all of this runs without a window.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "platform/Device.h"
#include "scene/DX9Knife.h"

namespace vrel {

class TDX9Render;
class TDX9RenderStage;
class TDX9Transformer;
class TFinCollectionsContainer;
class TObject;
class TSquareBladeCollections;
class TSquareBladeCollectionsContainer;
class TVrelProp;
struct TDisplaySetting;

// An element of the tree and the settings group it edits (the element id of TVrelProp::ResetItem).
struct TPropertyElement {
  const char* Caption;
  int Id;
};
struct TPropertyGroup {
  const char* Caption;
  std::span<const TPropertyElement> Elements;
};
// The tree: background, cube, start point, plane mark, polygons, polygons with the background,
// texture polygons, scissors.
std::span<const TPropertyGroup> PropertyElementTree();

// The element whose line colour the scissors' highlight uses; the preview shows the scissors'
// cursor while it is chosen.
inline constexpr int kScissorsElement = 20;

// The display settings an element's editors edit; null where it shows no such editor.
struct TElementEditors {
  const TDisplaySetting* Color = nullptr;
  const TDisplaySetting* Alpha = nullptr;
  const TDisplaySetting* Length = nullptr;
  // A line switch: the texture polygons' border draw state, or the scissors' highlight.
  const TDisplaySetting* Border = nullptr;
};
TElementEditors ElementEditors(int id);

// The second page's switches, by tag.
enum TPropertySwitch : int { psPlaneSmooth = 0, psDiagonalKnife = 1, psNotIgnoreVisible = 2 };

// Mouse buttons and keys held during a move in the preview.
struct TPreviewButtons {
  bool Left = false;
  bool Middle = false;
  bool Right = false;
  bool Ctrl = false;
};

class TPropertyEditor {
 public:
  // Turns the sample texture's file into pixels; raises when it cannot.
  using TImageDecoder = std::function<TextureImage(std::span<const uint8_t> file)>;

  // The preview draws through `render` (its render and device-created events are bound here until
  // the editor goes). The sample scene is read now; a texture that cannot be decoded leaves the fins
  // without one.
  TPropertyEditor(TDX9Render& render, const TImageDecoder& decode);
  ~TPropertyEditor();
  TPropertyEditor(const TPropertyEditor&) = delete;
  TPropertyEditor& operator=(const TPropertyEditor&) = delete;

  // The settings being edited.
  const TVrelProp& Prop() const { return *prop_; }
  // A copy of `settings` becomes the edited settings; the preview shows them.
  void Load(const TVrelProp& settings);

  // --- the elements and their editors ------------------------------------------------------------

  int ElementId() const { return elementId_; }
  // The tree's choice (0 for a group). Its editors are what it shows.
  TElementEditors SelectElement(int id);
  TElementEditors Editors() const { return ElementEditors(elementId_); }
  bool ScissorsCursor() const { return elementId_ == kScissorsElement; }

  // The current element's values; a colour, alpha, size or switch it does not have reads as
  // nothing, and setting it changes no setting.
  std::optional<int32_t> Color() const;
  void SetColor(int32_t color);
  // In percent; a stored 0 stays 0 until the user sets another value.
  std::optional<int> Alpha() const;
  void SetAlpha(int alpha);
  std::optional<float> Length() const;
  void SetLength(float length);
  std::optional<bool> Border() const;
  void SetBorder(bool on);
  bool Switch(int tag) const;
  void SetSwitch(int tag, bool checked);

  // The current element back to its defaults.
  void DefaultItem();
  // Every element of the tree back to its defaults; the second page's switches stay.
  void DefaultAll();

  // --- the preview -------------------------------------------------------------------------------

  TDX9RenderStage& Stage() const { return *stage_; }
  TSquareBladeCollections& Layers() const;
  TFinCollectionsContainer& Fins() const { return *fins_; }
  TDX9Transformer& Camera() const { return *camera_; }
  // The decoded sample texture; nothing when it could not be decoded.
  const std::optional<TextureImage>& SampleTexture() const { return texture_; }
  // Times the preview was asked to show the settings again.
  int Updates() const { return updates_; }

  // The camera's start pose, then a redraw.
  void ViewReset();
  // One frame of the preview.
  void Render(IDevice& device);
  // A device was made: the fins' texture on it.
  void DeviceCreated(IDevice& device);

  void MouseDown(int x, int y);
  // `delta` as the wheel gives it: positive away from the user zooms in.
  void Wheel(int delta);
  // `screenWidth` scales a turn: a third of the screen is 180 degrees at full speed.
  void MouseMove(const TPreviewButtons& buttons, int x, int y, int screenWidth);
  // The edge the scissors' highlight shows, between two pixels of the preview.
  const std::optional<TScreenEdge>& Highlight() const { return highlight_; }

 private:
  class Highlighter;
  void SettingsChanged(TObject* sender);
  void PreviewResized(TObject* sender);
  // The settings onto the preview's objects, then a redraw.
  void UpdatePreview();
  // Runs a change of the settings; the preview follows whether or not the settings announced it.
  template <class F>
  void Edit(F&& change);
  // The setting's value; nothing for no setting.
  template <class T>
  std::optional<T> ValueOf(const TDisplaySetting* setting) const;
  // Sets it, when there is one.
  void SetValueOf(const TDisplaySetting* setting, double value);
  void LoadSamples(const TImageDecoder& decode);
  void Redraw();
  void HighlightScissors(int x, int y);

  TDX9Render& render_;
  std::unique_ptr<TVrelProp> prop_;
  std::unique_ptr<TDX9RenderStage> stage_;
  std::unique_ptr<TSquareBladeCollectionsContainer> container_;
  std::unique_ptr<TFinCollectionsContainer> fins_;
  std::unique_ptr<TDX9Transformer> camera_;
  std::unique_ptr<Highlighter> highlighter_;
  std::optional<TextureImage> texture_;
  std::optional<TScreenEdge> highlight_;
  int elementId_ = 0;
  int lastX_ = 0;
  int lastY_ = 0;
  int updates_ = 0;
};

}  // namespace vrel
