// The image dialog's model: its slider table, what the grey colour modes
// enable, typed values brought into the filter chain's ranges, Cancel,
// Default and the automatic measurements' controls.
#include <map>

#include "DialogFixture.h"

namespace velmor {
namespace {

using dialogs::ImageDialogModel;
using ImageDialogTest = DialogFixture;

// Filter values in a map, for the model on its own.
class MapStore final : public dialogs::FilterStore {
 public:
  int32_t Get(FilterId id) const override {
    const auto found = values.find(id);
    return found == values.end() ? 0 : found->second;
  }
  void Set(FilterId id, int32_t value) override { values[id] = value; }
  void WhiteBalanceOnce() override { ++onceRequests; }
  void WhiteBalanceEveryFrame(bool on) override { values[kFilterBayerGainAuto] = on; }
  std::map<FilterId, int32_t> values;
  int32_t onceRequests = 0;
};

int32_t IndexOf(FilterId id) {
  const auto sliders = ImageDialogModel::sliders();
  for (size_t i = 0; i < sliders.size(); ++i)
    if (sliders[i].id == id) return int32_t(i);
  ADD_FAILURE() << "no slider for " << id;
  return 0;
}

TEST(ImageDialogModelTable, SlidersCarryTheirIdsRangesAndPages) {
  struct Row {
    FilterId id;
    int32_t trackbar, edit, upDown, minimum, maximum, page;
  };
  const Row rows[] = {
      {kFilterBrightness, 2001, 2002, 2004, -255, 255, 64},
      {kFilterContrast, 2011, 2012, 2014, -127, 127, 32},
      {kFilterHue, 2021, 2022, 2024, -360, 360, 90},
      {kFilterSaturation, 2031, 2032, 2034, -255, 255, 64},
      {kFilterSharpness, 2041, 2042, 2044, 0, 30, 4},
      {kFilterBayerGainRed, 2051, 2052, 2054, 0, 400, 32},
      {kFilterBayerGainGreen, 2061, 2062, 2063, 0, 400, 32},
      {kFilterBayerGainBlue, 2071, 2072, 2073, 0, 400, 32},
      {kFilterGamma, 2081, 2082, 2084, 0, 200, 32},
      {kFilterGrayGainR, 2100, 2101, 2102, 0, 400, 32},
      {kFilterGrayGainB, 2109, 2110, 2111, 0, 400, 32},
      {kFilterGrayOffsetG2, 2118, 2119, 2120, -255, 255, 32},
      {kFilterGrayOffsetB, 2121, 2122, 2123, -255, 255, 32},
  };
  EXPECT_EQ(ImageDialogModel::sliders().size(), 17u);
  for (const Row &row : rows) {
    const dialogs::SliderControl &c = ImageDialogModel::sliders()[IndexOf(row.id)].control;
    EXPECT_EQ(c.trackbar, row.trackbar) << row.id;
    EXPECT_EQ(c.edit, row.edit) << row.id;
    EXPECT_EQ(c.upDown, row.upDown) << row.id;
    EXPECT_EQ(c.minimum, row.minimum) << row.id;
    EXPECT_EQ(c.maximum, row.maximum) << row.id;
    EXPECT_EQ(c.page, row.page) << row.id;
    EXPECT_EQ(ImageDialogModel::SliderOf(row.edit), IndexOf(row.id));
  }
  EXPECT_EQ(ImageDialogModel::SliderOf(1), -1);
}

TEST(ImageDialogModelTable, TypedValuesAreBroughtIntoTheFilterChainsRanges) {
  MapStore store;
  ImageDialogModel model(store, 1, dialogs::Language::kEnglish);
  const struct {
    FilterId id;
    int32_t typed, stored;
  } cases[] = {{kFilterSaturation, -1000, -255}, {kFilterHue, 361, 360},
               {kFilterGrayGainR, 400, 255},     {kFilterGrayGainG1, 300, 255},
               {kFilterGrayOffsetB, -300, -255}, {kFilterBrightness, -255, -255},
               {kFilterSharpness, 31, 30}};
  for (const auto &c : cases) {
    model.SetValue(IndexOf(c.id), c.typed);
    EXPECT_EQ(store.Get(c.id), c.stored) << c.id << " typed " << c.typed;
  }
  model.SetBayerMode(9);
  EXPECT_EQ(store.Get(kFilterBayerMode), 3);
  model.SetGreyMode(-4);
  EXPECT_EQ(store.Get(kFilterGrayMode), 0);
}

TEST(ImageDialogModelTable, DefaultOnAColourModeLeavesTheGreyValues) {
  for (const int32_t colourMode : {1, 2}) {
    MapStore store;
    store.values = {{kFilterBrightness, 40},
                    {kFilterGamma, 7},
                    {kFilterBayerMode, 0},
                    {kFilterGrayGainR, 9},
                    {kFilterGrayOffsetB, -9}};
    ImageDialogModel model(store, colourMode, dialogs::Language::kEnglish);
    model.Default();
    EXPECT_EQ(store.Get(kFilterBrightness), 0);
    EXPECT_EQ(store.Get(kFilterGamma), 100);
    EXPECT_EQ(store.Get(kFilterBayerGainGreen), 100);
    EXPECT_EQ(store.Get(kFilterBayerMode), 3);
    const bool grey = colourMode == 1;
    EXPECT_EQ(store.Get(kFilterGrayGainR), grey ? 128 : 9) << colourMode;
    EXPECT_EQ(store.Get(kFilterGrayOffsetB), grey ? 128 : -9) << colourMode;
  }
}

TEST(ImageDialogModelTable, ColourModesEnableEverySliderAndTheColourControls) {
  MapStore store;
  ImageDialogModel colour(store, 3, dialogs::Language::kEnglish);
  EXPECT_FALSE(colour.greyPage());
  EXPECT_TRUE(colour.colourControlsEnabled());
  for (int32_t i = 0; i < 9; ++i) EXPECT_TRUE(colour.sliderEnabled(i)) << i;
  colour.SetWhiteBalanceAll(true);
  EXPECT_TRUE(colour.whiteBalanceAll());
  EXPECT_EQ(store.Get(kFilterBayerGainAuto), 1);
  colour.WhiteBalanceOnce();
  EXPECT_FALSE(colour.whiteBalanceAll()) << "Once clears All frames";
  EXPECT_EQ(store.onceRequests, 1);
}

TEST_F(ImageDialogTest, GreyModesOfferTheGreyPageAndFourImageSliders) {
  const int32_t handle = OpenCamera();
  ASSERT_EQ(Session(handle).colourMode(), 1);
  dialogs::SetDialogStandIn({.image = [&](ImageDialogModel &model) {
    EXPECT_TRUE(model.greyPage());
    EXPECT_FALSE(model.colourControlsEnabled());
    for (int32_t i = 0; i < int32_t(ImageDialogModel::sliders().size()); ++i) {
      const FilterId id = ImageDialogModel::sliders()[i].id;
      const bool wanted = id == kFilterBrightness || id == kFilterContrast ||
                          id == kFilterSharpness || id == kFilterGamma || id >= kFilterGrayGainR;
      EXPECT_EQ(model.sliderEnabled(i), wanted) << id;
    }
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetImageDlg(handle, nullptr), 1);
}

TEST_F(ImageDialogTest, ChangesShowAtOnceAndCancelRestoresThem) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  const FilterValues kept = session.filters();
  dialogs::SetDialogStandIn({.image = [&](ImageDialogModel &model) {
    model.SetValue(IndexOf(kFilterBrightness), 120);
    EXPECT_EQ(session.filters().byId[kFilterBrightness], 120) << "the next frame sees it";
    model.SetGreyMode(2);
    model.GreyGainOnce();
    EXPECT_EQ(session.filters().byId[kFilterGrayGainAuto], 1);
    model.SetGreyGainAll(true);
    EXPECT_TRUE(model.greyGainAll());
    EXPECT_EQ(session.filters().byId[kFilterGrayGainAuto], -1);
    return dialogs::kDialogCancel;
  }});
  EXPECT_EQ(Velmor_SetImageDlg(handle, nullptr), 1);
  EXPECT_EQ(session.filters().byId, kept.byId);
}

TEST_F(ImageDialogTest, OkAndDefaultKeepTheirValues) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  dialogs::SetDialogStandIn({.image = [&](ImageDialogModel &model) {
    model.SetValue(IndexOf(kFilterGrayOffsetR), -10);
    model.SetValue(IndexOf(kFilterContrast), 30);
    model.Default();
    model.SetValue(IndexOf(kFilterSharpness), 4);
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetImageDlg(handle, nullptr), 1);
  EXPECT_EQ(session.filters().byId[kFilterContrast], 0);
  EXPECT_EQ(session.filters().byId[kFilterGrayOffsetR], 128);
  EXPECT_EQ(session.filters().byId[kFilterSharpness], 4);
  EXPECT_EQ(session.filters().byId[kFilterBayerMode], 3);
}

TEST_F(ImageDialogTest, WhiteBalanceAndGreyGainsRefreshAnOpenDialog) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  dialogs::SetDialogStandIn({.image = [&](ImageDialogModel &model) {
    EXPECT_FALSE(model.TakeRefresh());
    session.ShowFiltersInDialog();
    EXPECT_TRUE(model.TakeRefresh());
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetImageDlg(handle, nullptr), 1);
  session.ShowFiltersInDialog();
}

}  // namespace
}  // namespace velmor
