#include "imaging/RasterFormatsRegistration.h"

#include "imaging/AutodeskGraphic.h"
#include "imaging/CUTGraphic.h"
#include "imaging/EPSGraphic.h"
#include "imaging/FrameworkGraphics.h"
#include "imaging/PCDGraphic.h"
#include "imaging/PCXGraphic.h"
#include "imaging/PNGGraphic.h"
#include "imaging/PPMGraphic.h"
#include "imaging/PSDGraphic.h"
#include "imaging/PSPGraphic.h"
#include "imaging/RLAGraphic.h"
#include "imaging/SGIGraphic.h"
#include "imaging/TIFFGraphic.h"
#include "imaging/TargaGraphic.h"

namespace vrel {

namespace {

TFileFormatList* currentList = nullptr;

// One registration: extension, class, file types, common and individual description.
struct Registration {
  const char* Extension;
  const TGraphicClass& (*Class)();
  std::uint8_t FileTypes;
  const char* Common;
  const char* Individual;
};

const Registration kRegistrations[] = {
    {"bmp", &GraphicClassOf<TBitmap>, ftRaster, "Windows bitmaps", ""},
    {"ico", &GraphicClassOf<TIcon>, ftRaster, "Windows icons", ""},
    {"wmf", &GraphicClassOf<TMetafile>, ftVector, "Windows metafiles", ""},
    {"emf", &GraphicClassOf<TMetafile>, ftVector, "Windows metafiles", "Windows enhanced meta files"},
    {"jfif", &GraphicClassOf<TJPEGImage>, ftRaster, "JPG images", "JFIF images"},
    {"jpg", &GraphicClassOf<TJPEGImage>, ftRaster, "", "JPG images"},
    {"jpe", &GraphicClassOf<TJPEGImage>, ftRaster, "", "JPE images"},
    {"jpeg", &GraphicClassOf<TJPEGImage>, ftRaster, "", "JPEG images"},
    {"rle", &GraphicClassOf<TBitmap>, ftRaster, "Windows bitmaps", "Run length encoded Windows bitmaps"},
    {"dib", &GraphicClassOf<TBitmap>, ftRaster, "", "Device independant Windows bitmaps"},
    {"win", &GraphicClassOf<TTargaGraphic>, ftRaster, "Truevision images", ""},
    {"vst", &GraphicClassOf<TTargaGraphic>, ftRaster, "", ""},
    {"vda", &GraphicClassOf<TTargaGraphic>, ftRaster, "", ""},
    {"tga", &GraphicClassOf<TTargaGraphic>, ftRaster, "", ""},
    {"icb", &GraphicClassOf<TTargaGraphic>, ftRaster, "", ""},
    {"tiff", &GraphicClassOf<TTIFFGraphic>, ftRaster | ftLayered, "Tagged image file format images",
     "Macintosh TIFF images"},
    {"tif", &GraphicClassOf<TTIFFGraphic>, ftRaster | ftLayered, "", "PC TIF images"},
    {"fax", &GraphicClassOf<TTIFFGraphic>, ftRaster | ftLayered, "", "GFI fax images"},
    {"eps", &GraphicClassOf<TEPSGraphic>, ftRaster, "Encapsulated Postscript images", ""},
    {"pcx", &GraphicClassOf<TPCXGraphic>, ftRaster, "ZSoft Paintbrush images", ""},
    {"pcc", &GraphicClassOf<TPCXGraphic>, ftRaster, "", ""},
    {"scr", &GraphicClassOf<TPCXGraphic>, ftRaster, "", "Word 5.x screen capture images"},
    {"rpf", &GraphicClassOf<TRLAGraphic>, ftRaster, "Alias/Wavefront images", ""},
    {"rla", &GraphicClassOf<TRLAGraphic>, ftRaster, "", ""},
    {"sgi", &GraphicClassOf<TSGIGraphic>, ftRaster, "SGI images", "SGI true color images"},
    {"rgba", &GraphicClassOf<TSGIGraphic>, ftRaster, "", "SGI true color images with alpha"},
    {"rgb", &GraphicClassOf<TSGIGraphic>, ftRaster, "", "SGI true color images"},
    {"bw", &GraphicClassOf<TSGIGraphic>, ftRaster, "", "SGI black/white images"},
    {"psd", &GraphicClassOf<TPSDGraphic>, ftRaster | ftEnhanced, "Photoshop images", ""},
    {"pdd", &GraphicClassOf<TPSDGraphic>, ftRaster | ftEnhanced, "", ""},
    {"ppm", &GraphicClassOf<TPPMGraphic>, ftRaster, "Portable map images", "Portable pixel map images"},
    {"pgm", &GraphicClassOf<TPPMGraphic>, ftRaster, "", "Portable gray map images"},
    {"pbm", &GraphicClassOf<TPPMGraphic>, ftRaster, "", "Portable bitmap images"},
    {"cel", &GraphicClassOf<TAutodeskGraphic>, ftRaster, "Autodesk images", ""},
    {"pic", &GraphicClassOf<TAutodeskGraphic>, ftRaster, "Autodesk images", ""},
    {"pcd", &GraphicClassOf<TPCDGraphic>, ftRaster, "Kodak Photo-CD images", ""},
    {"cut", &GraphicClassOf<TCUTGraphic>, ftRaster, "Dr. Halo images", ""},
    {"psp", &GraphicClassOf<TPSPGraphic>, ftRaster | ftVector, "Paintshop Pro images", ""},
    {"png", &GraphicClassOf<TPNGGraphic>, ftRaster, "Portable network graphic images", ""},
};

}  // namespace

TFileFormatList* FileFormatList() {
  return currentList;
}

TRasterFormatsRegistration::TRasterFormatsRegistration(TPictureFormats& picture)
    : list_(picture), previous_(currentList) {
  currentList = &list_;
}

TRasterFormatsRegistration::~TRasterFormatsRegistration() {
  currentList = previous_;
}

std::unique_ptr<TRasterFormatsRegistration> RegisterRasterFormats(TPictureFormats& picture) {
  auto registration = std::make_unique<TRasterFormatsRegistration>(picture);
  for (const Registration& r : kRegistrations)
    registration->List().RegisterFileFormat(r.Extension, r.Common, r.Individual, r.FileTypes, false, r.Class());
  return registration;
}

}  // namespace vrel
