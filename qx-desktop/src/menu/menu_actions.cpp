#include "menu/menu_actions.h"

#include <algorithm>
#include <variant>

#include "app/bar_activity.h"
#include "app/feed_slots.h"
#include "app/state_media.h"
#include "world/locale_choice.h"

namespace qx {
namespace {

using A = MenuAction;
using K = MenuEffect::Kind;

MenuEffect effect(K kind) { return MenuEffect{kind, {}, false}; }

void set_locale_to(AppState& s, const Locale& locale) { set_locale(s, locale.country, locale.lang); }

// One call per command kind; whatever is not written here is Changed.
struct Apply {
  AppState& s;
  bool autostart_present;
  Instant now;

  MenuEffect operator()(const A::OpenLink&) const {
    if (std::optional<std::string> link = current_link(s)) return MenuEffect{K::OpenLink, std::move(*link), false};
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::RefreshNow&) const {
    // A slot never tried is due, so the worker loads every one.
    for (FeedSlot& slot : s.feeds) slot.last_attempt.reset();
    return effect(K::Refresh);
  }
  MenuEffect operator()(const A::SelectFeed& a) const {
    select_feed(s, a.index, now);
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::FollowFeed& a) const {
    const auto it = std::find_if(s.feeds.begin(), s.feeds.end(), [&](const FeedSlot& f) { return f.url == a.url; });
    if (it == s.feeds.end()) {
      add_or_select_feed(s, a.url, a.title, now);
    } else {
      const auto index = static_cast<std::size_t>(it - s.feeds.begin());
      // Choosing a feed the user follows again unfollows it; the last one, or one of the
      // starting defaults, is only selected.
      if (s.feeds.size() >= 2 && !s.default_feeds) {
        remove_feed(s, index);
      } else {
        select_feed(s, index, now);
      }
    }
    s.default_feeds = false;
    return effect(K::Refresh);
  }
  MenuEffect operator()(const A::StopFollowing& a) const {
    remove_feed(s, a.index);
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::FollowCopiedLink&) const { return effect(K::FollowCopiedLink); }
  MenuEffect operator()(const A::TryFeedsOnWeb&) const { return effect(K::OpenTryFeedsPage); }
  MenuEffect operator()(const A::SetPlacement& a) const {
    s.placement = a.placement;
    show_again_now(s);
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::SetOrbSize& a) const {
    s.orb_size = a.size;
    s.orb_zoom = 1.0f;  // the drawn zoom eases towards it
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::SetSkin& a) const {
    s.skin = a.skin;
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::ChooseOrbPicture&) const { return effect(K::ChooseOrbSource); }
  MenuEffect operator()(const A::RemoveOrbPicture&) const {
    s.orb_image.reset();
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::SetFitMode& a) const {
    fit().mode = a.mode;
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::SetFitZoom& a) const {
    fit().zoom = a.zoom;
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::SetFocusPoint& a) const {
    Fit& f = fit();
    f.x = a.x;
    f.y = a.y;
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::SetLeftPanel& a) const {
    s.left = a.style;
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::ChooseLeftPicture&) const { return effect(K::ChooseLeftPicture); }
  MenuEffect operator()(const A::ChooseBarPicture&) const { return effect(K::ChooseBarPicture); }
  MenuEffect operator()(const A::PlainBar&) const {
    s.bar_image.reset();
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::ToggleAutoGrow&) const { return toggle(s.auto_grow); }
  MenuEffect operator()(const A::ToggleClips&) const { return toggle(s.clips); }
  MenuEffect operator()(const A::ToggleTeamColours&) const { return toggle(s.team_colours); }
  MenuEffect operator()(const A::ToggleReserve&) const { return toggle(s.reserve); }
  MenuEffect operator()(const A::ToggleRotate&) const { return toggle(s.rotate); }
  MenuEffect operator()(const A::ToggleLiveFirst&) const { return toggle(s.live_first); }
  MenuEffect operator()(const A::ToggleHideWhilePresenting&) const { return toggle(s.hide_presenting); }
  MenuEffect operator()(const A::PlayPause&) const {
    if (s.playing && !s.playing->silent) {
      s.playing->paused = !s.playing->paused;
    } else {
      play_pause_current_media(s);
    }
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::PlayChannel& a) const {
    // The playing channel chosen again stops. A clip that plays silently by itself is not the
    // user's channel (the menu shows no check mark for it): choosing it plays it aloud.
    if (s.playing && !s.playing->silent && s.playing->url == a.url) {
      s.playing.reset();
    } else {
      play_stream(s, a.url, a.title);
    }
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::PlayCopiedStream&) const { return effect(K::PlayCopiedStream); }
  MenuEffect operator()(const A::PlayFilmFile&) const { return effect(K::ChooseFilm); }
  MenuEffect operator()(const A::ToggleSound&) const {
    if (s.playing) s.playing->muted = !s.playing->muted;
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::StopPlayback&) const {
    s.playing.reset();
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::SetCountry& a) const {
    set_locale_to(s, locale_for_country_choice(a.code, s.lang));
    return effect(K::LocaleChanged);
  }
  MenuEffect operator()(const A::SetLanguage& a) const {
    set_locale_to(s, locale_for_language_choice(s.country, a.code));
    return effect(K::LocaleChanged);
  }
  MenuEffect operator()(const A::SetQuietHours& a) const {
    s.quiet = a.quiet;
    s.shown_in_quiet = false;
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::HideForAnHour&) const {
    s.hidden_until = now + HIDE_FOR_AN_HOUR;
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::ShowAgainNow&) const {
    show_again_now(s);
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::ToggleAutostart&) const { return MenuEffect{K::SetAutostart, {}, !autostart_present}; }
  MenuEffect operator()(const A::SetMonitor& a) const {
    s.monitor = a.index;
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::ToggleVisible&) const {
    if (is_bar_active(s, now)) {
      s.shown = false;
    } else {
      show_again_now(s);
    }
    return effect(K::Changed);
  }
  MenuEffect operator()(const A::InstallUpdate&) const { return effect(K::InstallUpdate); }
  MenuEffect operator()(const A::Quit&) const { return effect(K::Quit); }

 private:
  static MenuEffect toggle(bool& flag) {
    flag = !flag;
    return effect(K::Changed);
  }
  // The state keeps a fit at all times once built; a missing one starts from the defaults.
  Fit& fit() const {
    if (!s.fit) s.fit = Fit{};
    return *s.fit;
  }
};

}  // namespace

MenuEffect apply_menu_action(AppState& s, const MenuAction& action, bool autostart_present, Instant now) {
  return std::visit(Apply{s, autostart_present, now}, action.value);
}

}  // namespace qx
