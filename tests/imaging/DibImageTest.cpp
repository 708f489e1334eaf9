// DibImage: creation, geometry, colour tables, drawing and Convert's
// clipping and coordinate rules.
#include <gtest/gtest.h>

#include "ImageFixtures.h"
#include "imaging/DibImage.h"
#include "imaging/Reductions.h"

namespace velmor::imaging {
namespace {

using testing::At;
using testing::Make;
using testing::Scribble;
using testing::Snapshot;

TEST(DibImageCreate, RejectsEmptyGeometryAndUnknownDepths) {
  DibImage image;
  EXPECT_FALSE(image.Create(16, 0, 8));
  EXPECT_FALSE(image.Create(0, 16, 8));
  EXPECT_FALSE(image.Create(-4, 16, 8));
  EXPECT_FALSE(image.Create(16, 16, 0));
  EXPECT_FALSE(image.Create(16, 16, 12));
  EXPECT_EQ(image.bits(), nullptr);
  // A failed Create leaves a previous image in place.
  Make(image, 4, 4, 8);
  EXPECT_FALSE(image.Create(4, 0, 8));
  EXPECT_EQ(image.width(), 4);
  EXPECT_NE(image.bits(), nullptr);
}

TEST(DibImageCreate, StrideIsRoundedUpToFourBytes) {
  DibImage image;
  Make(image, 5, 3, 24);
  EXPECT_EQ(image.stride(), 16);
  Make(image, 2, 3, 8);
  EXPECT_EQ(image.stride(), 4);
  Make(image, 3, 1, 16);
  EXPECT_EQ(image.stride(), 8);
  Make(image, 3, 1, 48);
  EXPECT_EQ(image.stride(), 20);
  Make(image, 2848, 2, 64);
  EXPECT_EQ(image.stride(), 2848 * 8);
}

TEST(DibImageCreate, FillsHeaderGreyRampAndZeroPixels) {
  DibImage image;
  Make(image, 7, 5, 8);
  const BitmapInfoHeader &h = image.header();
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 7);
  EXPECT_EQ(h.biHeight, 5);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 8);
  EXPECT_EQ(h.biCompression, 0u);
  EXPECT_EQ(h.biSizeImage, 0u);
  // The BMP writer puts 14 + 40 + 1024 = 1078 bytes before the pixels.
  EXPECT_EQ(14 + sizeof(BitmapInfo), 1078u);
  for (int i = 0; i < 256; ++i) {
    const RgbQuad &c = image.colourTable()[i];
    EXPECT_TRUE(c.rgbBlue == i && c.rgbGreen == i && c.rgbRed == i && c.rgbReserved == 0) << i;
  }
  for (uint8_t byte : Snapshot(image)) ASSERT_EQ(byte, 0);
}

TEST(DibImageCreate, CreateLikeCopiesGeometryAndTableButNotPixels) {
  DibImage source, copy;
  EXPECT_FALSE(copy.CreateLike(nullptr));
  EXPECT_FALSE(copy.CreateLike(&source));  // empty
  Make(source, 6, 3, 8);
  Scribble(source, 1);
  const RgbQuad red{0, 0, 255, 0};
  ASSERT_TRUE(source.SetColourTable(DibImage::kCallerEntries, &red, 7, 1));
  ASSERT_TRUE(copy.CreateLike(&source));
  EXPECT_EQ(copy.width(), 6);
  EXPECT_EQ(copy.height(), 3);
  EXPECT_EQ(copy.stride(), source.stride());
  EXPECT_EQ(copy.bitsPerPixel(), 8);
  EXPECT_EQ(copy.colourTable()[7].rgbRed, 255);
  EXPECT_EQ(copy.colourTable()[8].rgbRed, 8);
  for (uint8_t byte : Snapshot(copy)) ASSERT_EQ(byte, 0);
}

TEST(DibImageCreate, ReleaseClearsEverythingAndIsSafeTwice) {
  DibImage image;
  image.Release();
  Make(image, 4, 4, 32);
  image.Release();
  image.Release();
  EXPECT_EQ(image.bits(), nullptr);
  EXPECT_EQ(image.width(), 0);
  EXPECT_EQ(image.stride(), 0);
  EXPECT_EQ(image.bitsPerPixel(), 0);
  EXPECT_EQ(image.header().biSize, 40u);
  EXPECT_EQ(image.header().biWidth, 0);
}

TEST(DibImageColourTable, CallerEntriesAreBoundedAndGreyRampRestores) {
  DibImage image;
  Make(image, 4, 4, 8);
  const RgbQuad entries[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  EXPECT_FALSE(image.SetColourTable(DibImage::kCallerEntries, nullptr, 0, 1));
  EXPECT_FALSE(image.SetColourTable(DibImage::kCallerEntries, entries, 255, 2));
  EXPECT_FALSE(image.SetColourTable(1));
  ASSERT_TRUE(image.SetColourTable(DibImage::kCallerEntries, entries, 254, 2));
  EXPECT_EQ(image.colourTable()[255].rgbRed, 6);
  ASSERT_TRUE(image.SetColourTable(DibImage::kGreyRamp));
  EXPECT_EQ(image.colourTable()[255].rgbRed, 255);
}

// Picture coordinates are GDI's view of the bottom-up buffer: picture row 0
// is the last memory row.
TEST(DibImageConvert, RegionAndOriginAreBottomUpAndClipped) {
  DibImage source, destination;
  Make(source, 4, 4, 8);
  Make(destination, 3, 3, 8);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) At<uint8_t>(source, x, y) = uint8_t(10 * y + x);
  // Placed at picture (1, 1) of the 3 x 3 destination only picture rows 1..2
  // and columns 0..1 fit: source memory rows 2 and 1, landing in destination
  // memory rows 0..1, columns 1..2. Row copy flipped turns them over.
  PixelRect region{0, 1, 4, 4};
  PixelPoint origin{1, 1};
  EXPECT_EQ(DibImage::Convert(destination, RowCopyFlipped, source, &region, &origin), 1);
  EXPECT_EQ(region.right, 2);
  EXPECT_EQ(region.bottom, 3);
  EXPECT_EQ(At<uint8_t>(destination, 1, 0), 20);  // source memory row 2
  EXPECT_EQ(At<uint8_t>(destination, 2, 0), 21);
  EXPECT_EQ(At<uint8_t>(destination, 1, 1), 10);  // source memory row 1
  EXPECT_EQ(At<uint8_t>(destination, 0, 0), 0);
  EXPECT_EQ(At<uint8_t>(destination, 1, 2), 0);
  // Negative coordinates become 0.
  region = {-3, -1, 2, 1};
  origin = {-5, 0};
  EXPECT_EQ(DibImage::Convert(destination, RowCopyFlipped, source, &region, &origin), 1);
  EXPECT_TRUE(region.left == 0 && region.top == 0 && origin.x == 0);
}

TEST(DibImageConvert, RegionWhollyOutsideTouchesNothing) {
  DibImage source, destination;
  Make(source, 8, 8, 16);
  Make(destination, 8, 8, 8);
  Scribble(source, 4);
  Scribble(destination, 5);
  const auto before = Snapshot(destination);
  const auto sourceBefore = Snapshot(source);
  PixelRect region{0, 0, 8, 8};
  PixelPoint origin{8, 2};
  EXPECT_EQ(DibImage::Convert(destination, Reduce16To8, source, &region, &origin), 0);
  EXPECT_EQ(region.right, 0);
  EXPECT_EQ(region.bottom, 0);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  region = {9, 0, 12, 8};
  EXPECT_EQ(DibImage::Convert(destination, Reduce16To8, source, &region), 0);
  EXPECT_EQ(Snapshot(destination), before);
  EXPECT_EQ(Snapshot(source), sourceBefore);
}

TEST(DibImageConvert, MismatchedFormatsAndEmptyImagesAreRefused) {
  DibImage empty, eight, sixteen;
  Make(eight, 4, 4, 8);
  Make(sixteen, 4, 4, 16);
  EXPECT_EQ(DibImage::Convert(eight, Reduce16To8, empty), 0);
  EXPECT_EQ(DibImage::Convert(sixteen, Reduce16To8, eight), 0);  // formats swapped
  EXPECT_EQ(DibImage::Convert(eight, nullptr, sixteen), 0);
  EXPECT_EQ(DibImage::ConvertRects(eight, Reduce16To8, empty, nullptr, nullptr), 0);
}

TEST(DibImageDraw, GreyExpandsThroughTheColourTable) {
  DibImage grey, colour;
  Make(grey, 3, 2, 8);
  Make(colour, 3, 2, 32);
  At<uint8_t>(grey, 2, 1) = 77;
  const RgbQuad teal{200, 100, 0, 0};
  ASSERT_TRUE(grey.SetColourTable(DibImage::kCallerEntries, &teal, 5, 1));
  At<uint8_t>(grey, 0, 0) = 5;
  Scribble(colour, 9);
  ASSERT_TRUE(colour.DrawFrom(grey, nullptr, 0, 0));
  EXPECT_EQ(At<uint8_t>(colour, 2, 1, 0), 77);
  EXPECT_EQ(At<uint8_t>(colour, 2, 1, 2), 77);
  EXPECT_EQ(At<uint8_t>(colour, 2, 1, 3), 0);
  EXPECT_EQ(At<uint8_t>(colour, 0, 0, 0), 200);
  EXPECT_EQ(At<uint8_t>(colour, 0, 0, 1), 100);
  EXPECT_EQ(At<uint8_t>(colour, 0, 0, 2), 0);
}

TEST(DibImageDraw, PositionsAreGdiCoordinates) {
  DibImage source, destination;
  Make(source, 2, 2, 24);
  Make(destination, 4, 4, 24);
  At<uint8_t>(source, 0, 1) = 9;  // memory row 1 = GDI row 0 of the source
  // GDI (1, 1) of a 4-row image is memory row 2 for the source's GDI row 0.
  const PixelRect rect{0, 0, 1, 1};
  ASSERT_TRUE(destination.DrawFrom(source, &rect, 1, 1));
  EXPECT_EQ(At<uint8_t>(destination, 1, 2), 9);
  DibImage wide;
  Make(wide, 2, 2, 48);
  EXPECT_FALSE(destination.DrawFrom(wide, nullptr, 0, 0));  // no software path for 48 bits
}

}  // namespace
}  // namespace velmor::imaging
