// What a popup-menu command does: one value per kind of command with the data it needs. The
// menu builder attaches one to every command entry; applying it to the state and carrying out
// its effect happen after the menu has closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "app/app_state.h"

namespace qx {

struct MenuAction {
  struct OpenLink { friend bool operator==(const OpenLink&, const OpenLink&) = default; };
  struct RefreshNow { friend bool operator==(const RefreshNow&, const RefreshNow&) = default; };
  struct SelectFeed {
    std::size_t index = 0;
    friend bool operator==(const SelectFeed&, const SelectFeed&) = default;
  };
  struct FollowFeed {
    std::string url;
    std::string title;
    friend bool operator==(const FollowFeed&, const FollowFeed&) = default;
  };
  struct StopFollowing {
    std::size_t index = 0;
    friend bool operator==(const StopFollowing&, const StopFollowing&) = default;
  };
  struct FollowCopiedLink { friend bool operator==(const FollowCopiedLink&, const FollowCopiedLink&) = default; };
  struct TryFeedsOnWeb { friend bool operator==(const TryFeedsOnWeb&, const TryFeedsOnWeb&) = default; };
  struct SetPlacement {
    Placement placement = Placement::SignalBarBottom;
    friend bool operator==(const SetPlacement&, const SetPlacement&) = default;
  };
  struct SetOrbSize {
    OrbSize size = OrbSize::Regular;
    friend bool operator==(const SetOrbSize&, const SetOrbSize&) = default;
  };
  struct SetSkin {
    std::uint64_t skin = 0;
    friend bool operator==(const SetSkin&, const SetSkin&) = default;
  };
  struct ChooseOrbPicture { friend bool operator==(const ChooseOrbPicture&, const ChooseOrbPicture&) = default; };
  struct RemoveOrbPicture { friend bool operator==(const RemoveOrbPicture&, const RemoveOrbPicture&) = default; };
  struct SetFitMode {
    FitMode mode = FitMode::BestFit;
    friend bool operator==(const SetFitMode&, const SetFitMode&) = default;
  };
  struct SetFitZoom {
    std::uint16_t zoom = 100;
    friend bool operator==(const SetFitZoom&, const SetFitZoom&) = default;
  };
  struct SetFocusPoint {
    std::uint8_t x = 50;
    std::uint8_t y = 33;
    friend bool operator==(const SetFocusPoint&, const SetFocusPoint&) = default;
  };
  struct SetLeftPanel {
    LeftStyle style;
    friend bool operator==(const SetLeftPanel&, const SetLeftPanel&) = default;
  };
  struct ChooseLeftPicture { friend bool operator==(const ChooseLeftPicture&, const ChooseLeftPicture&) = default; };
  struct ChooseBarPicture { friend bool operator==(const ChooseBarPicture&, const ChooseBarPicture&) = default; };
  struct PlainBar { friend bool operator==(const PlainBar&, const PlainBar&) = default; };
  struct ToggleAutoGrow { friend bool operator==(const ToggleAutoGrow&, const ToggleAutoGrow&) = default; };
  struct ToggleClips { friend bool operator==(const ToggleClips&, const ToggleClips&) = default; };
  struct PlayPause { friend bool operator==(const PlayPause&, const PlayPause&) = default; };
  struct PlayChannel {
    std::string title;
    std::string url;
    friend bool operator==(const PlayChannel&, const PlayChannel&) = default;
  };
  struct PlayCopiedStream { friend bool operator==(const PlayCopiedStream&, const PlayCopiedStream&) = default; };
  struct PlayFilmFile { friend bool operator==(const PlayFilmFile&, const PlayFilmFile&) = default; };
  struct ToggleSound { friend bool operator==(const ToggleSound&, const ToggleSound&) = default; };
  struct StopPlayback { friend bool operator==(const StopPlayback&, const StopPlayback&) = default; };
  struct SetCountry {
    std::string code;
    friend bool operator==(const SetCountry&, const SetCountry&) = default;
  };
  struct SetLanguage {
    std::string code;
    friend bool operator==(const SetLanguage&, const SetLanguage&) = default;
  };
  struct ToggleTeamColours { friend bool operator==(const ToggleTeamColours&, const ToggleTeamColours&) = default; };
  struct ToggleReserve { friend bool operator==(const ToggleReserve&, const ToggleReserve&) = default; };
  struct ToggleRotate { friend bool operator==(const ToggleRotate&, const ToggleRotate&) = default; };
  struct ToggleLiveFirst { friend bool operator==(const ToggleLiveFirst&, const ToggleLiveFirst&) = default; };
  struct SetQuietHours {
    std::optional<QuietHours> quiet;  // none: no quiet hours
    friend bool operator==(const SetQuietHours&, const SetQuietHours&) = default;
  };
  struct HideForAnHour { friend bool operator==(const HideForAnHour&, const HideForAnHour&) = default; };
  struct ShowAgainNow { friend bool operator==(const ShowAgainNow&, const ShowAgainNow&) = default; };
  struct ToggleHideWhilePresenting {
    friend bool operator==(const ToggleHideWhilePresenting&, const ToggleHideWhilePresenting&) = default;
  };
  struct ToggleAutostart { friend bool operator==(const ToggleAutostart&, const ToggleAutostart&) = default; };
  struct SetMonitor {
    std::uint64_t index = 0;
    friend bool operator==(const SetMonitor&, const SetMonitor&) = default;
  };
  struct ToggleVisible { friend bool operator==(const ToggleVisible&, const ToggleVisible&) = default; };
  struct InstallUpdate { friend bool operator==(const InstallUpdate&, const InstallUpdate&) = default; };
  struct Quit { friend bool operator==(const Quit&, const Quit&) = default; };

  // In declaration order: value.index() is the command's kind number.
  using Kind = std::variant<OpenLink, RefreshNow, SelectFeed, FollowFeed, StopFollowing, FollowCopiedLink,
                            TryFeedsOnWeb, SetPlacement, SetOrbSize, SetSkin, ChooseOrbPicture, RemoveOrbPicture,
                            SetFitMode, SetFitZoom, SetFocusPoint, SetLeftPanel, ChooseLeftPicture,
                            ChooseBarPicture, PlainBar, ToggleAutoGrow, ToggleClips, PlayPause, PlayChannel,
                            PlayCopiedStream, PlayFilmFile, ToggleSound, StopPlayback, SetCountry, SetLanguage,
                            ToggleTeamColours, ToggleReserve, ToggleRotate, ToggleLiveFirst, SetQuietHours,
                            HideForAnHour, ShowAgainNow, ToggleHideWhilePresenting, ToggleAutostart, SetMonitor,
                            ToggleVisible, InstallUpdate, Quit>;
  Kind value;

  MenuAction() = default;
  // Any one kind converts: MenuAction a = MenuAction::SelectFeed{2};
  template <class T, class = std::enable_if_t<std::is_constructible_v<Kind, T&&> &&
                                              !std::is_same_v<std::decay_t<T>, MenuAction>>>
  MenuAction(T&& kind) : value(std::forward<T>(kind)) {}  // NOLINT: implicit on purpose

  template <class T>
  bool is() const {
    return std::holds_alternative<T>(value);
  }
  template <class T>
  const T* get_if() const {
    return std::get_if<T>(&value);
  }
  friend bool operator==(const MenuAction&, const MenuAction&) = default;
};

static_assert(std::variant_size_v<MenuAction::Kind> == 42);

}  // namespace qx
