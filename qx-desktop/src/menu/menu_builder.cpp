#include "menu/menu_builder.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <unordered_map>

#include "app/bar_activity.h"
#include "app/feed_slots.h"
#include "app/state_media.h"
#include "unicode_text.h"
#include "version.h"
#include "world/translations.h"

namespace qx {

namespace {

using A = MenuAction;

// One menu's texts in the UI language.
class Texts {
 public:
  explicit Texts(std::string_view lang) : lang_(lang) {}
  std::string operator()(std::string_view english) const { return translate(lang_, english); }
  std::string operator()(std::string_view english, std::initializer_list<PlaceholderValue> values) const {
    return fill_placeholders(translate(lang_, english), values);
  }
  std::string_view lang() const { return lang_; }

 private:
  std::string_view lang_;
};

struct FocusPoint {
  std::string_view label;
  std::uint8_t x;
  std::uint8_t y;
};
constexpr std::array<FocusPoint, 6> FOCUS_POINTS{{
    {"Upper middle", 50, 33},
    {"Centre", 50, 50},
    {"Top", 50, 0},
    {"Bottom", 50, 100},
    {"Left", 0, 50},
    {"Right", 100, 50},
}};

struct QuietPreset {
  std::string_view label;
  std::uint16_t start;
  std::uint16_t end;
};
constexpr std::array<QuietPreset, 3> QUIET_PRESETS{{
    {"10 PM to 8 AM", 1320, 480},
    {"6 PM to 9 AM", 1080, 540},
    {"9 AM to 5 PM", 540, 1020},
}};

constexpr std::array<std::string_view, 5> PLACEMENT_LABELS{"Bottom bar", "Top bar", "Floating island", "Left dock",
                                                           "Right dock"};
constexpr std::array<OrbSize, 5> ORB_SIZES{OrbSize::XL, OrbSize::L, OrbSize::Regular, OrbSize::M, OrbSize::Tiny};
constexpr std::array<std::string_view, 3> FIT_MODE_LABELS{"Best fit", "Fill the orb", "Show all of it"};

// The user's own playback, as opposed to a clip that started silently by itself.
bool audible_playing(const ViewSnapshot& v) { return v.playing && !v.playing->silent; }

// Groups of items under one submenu per key, keys in the order they first occur. The keys come
// from the feed service, so a group is found by hashing rather than by a walk over the groups.
template <class T>
struct KeyedGroup {
  std::string key;
  std::vector<const T*> items;
};
template <class T, class KeyOf>
std::vector<KeyedGroup<T>> group_by_first_occurrence(const std::vector<const T*>& items, KeyOf key_of) {
  static_assert(std::is_lvalue_reference_v<std::invoke_result_t<KeyOf, const T&>>, "the index keeps views of the keys");
  std::vector<KeyedGroup<T>> groups;
  std::unordered_map<std::string_view, std::size_t> index;  // views into the items' own keys
  for (const T* item : items) {
    const std::string_view key = key_of(*item);
    const auto [it, added] = index.try_emplace(key, groups.size());
    if (added) groups.push_back({std::string(key), {}});
    groups[it->second].items.push_back(item);
  }
  return groups;
}

std::string topic_title(const Texts& t, std::string_view topic) { return t(topic_label(topic)); }

MenuEntry following_menu(const ViewSnapshot& v, const Texts& t) {
  std::vector<MenuEntry> children;
  for (std::size_t i = 0; i < v.feeds.size(); ++i) {
    std::string label = v.feeds[i].title;
    if (feed_is_live(v.feeds[i])) label += "  (live)";
    children.push_back(menu_check_item(std::move(label), A::SelectFeed{i}, i == v.active));
  }
  children.push_back(menu_separator());
  children.push_back(menu_check_item(t("Take turns"), A::ToggleRotate{}, v.rotate));
  children.push_back(menu_check_item(t("Live games first"), A::ToggleLiveFirst{}, v.live_first));
  if (v.feeds.size() >= 2) {
    std::vector<MenuEntry> stop;
    for (std::size_t i = 0; i < v.feeds.size(); ++i) stop.push_back(menu_item(v.feeds[i].title, A::StopFollowing{i}));
    children.push_back(menu_submenu(t("Stop following"), std::move(stop)));
  }
  const std::string n = std::to_string(v.feeds.size());
  return menu_submenu(t("Following {n} of 8", {{"{n}", n}}), std::move(children));
}

MenuEntry follow_team_menu(const ViewSnapshot& v, const MenuContext& c, const Texts& t) {
  std::vector<MenuEntry> children;
  const std::vector<League> own = country_leagues(v.country);
  for (const League& l : own) children.push_back(league_submenu(c, t.lang(), v.feeds, l.id, l.title));
  children.push_back(menu_separator());

  std::vector<const League*> others;
  for (const League& l : WORLD->leagues) {
    const bool in_country = std::any_of(own.begin(), own.end(), [&](const League& o) { return o.id == l.id; });
    if (!in_country) others.push_back(&l);
  }
  std::vector<MenuEntry> discover;
  for (const auto& group : group_by_first_occurrence(others, [](const League& l) -> const std::string& { return l.sport; })) {
    std::vector<MenuEntry> leagues;
    for (const League* l : group.items) leagues.push_back(league_submenu(c, t.lang(), v.feeds, l->id, l->title));
    discover.push_back(menu_submenu(topic_title(t, group.key), std::move(leagues)));
  }
  children.push_back(menu_submenu(t("Discover other leagues"), std::move(discover)));
  return menu_submenu(t("Follow a team"), std::move(children));
}

MenuEntry follow_feed_menu(const ViewSnapshot& v, const Texts& t) {
  std::vector<MenuEntry> children;
  std::vector<const Offer*> offers;
  for (const Offer& o : v.catalogue) {
    offers.push_back(&o);
    if (o.local && children.size() < MAX_LOCAL_OFFER_ENTRIES) {
      children.push_back(team_menu_entry(v.feeds, o.url, o.name));
    }
  }
  children.push_back(menu_separator());
  for (const auto& group : group_by_first_occurrence(offers, [](const Offer& o) -> const std::string& { return o.topic; })) {
    std::vector<MenuEntry> entries;
    for (const Offer* o : group.items) entries.push_back(team_menu_entry(v.feeds, o->url, o->name));
    children.push_back(menu_submenu(topic_title(t, group.key), std::move(entries)));
  }
  return menu_submenu(t("Follow a feed"), std::move(children));
}

MenuEntry tv_menu(const ViewSnapshot& v, const Texts& t) {
  std::vector<MenuEntry> children;
  auto channel_entry = [&](std::string_view title, std::string_view url) {
    const bool on = audible_playing(v) && v.playing->url == url;
    return menu_check_item(std::string(title), A::PlayChannel{std::string(title), std::string(url)}, on);
  };
  children.push_back(channel_entry(SAMPLE_CHANNEL.title, SAMPLE_CHANNEL.url));
  for (const Channel& ch : v.channels) children.push_back(channel_entry(ch.title, ch.url));
  children.push_back(menu_separator());
  children.push_back(menu_item(t("Play the stream I copied"), A::PlayCopiedStream{}));
  children.push_back(menu_item(t("Play a film on this computer…"), A::PlayFilmFile{}));
  children.push_back(menu_separator());

  const bool audible = audible_playing(v);
  const bool pause = audible && !v.playing->paused;
  const bool play_enabled = audible || current_media_url(v).has_value();
  children.push_back(menu_item_enabled(pause ? t("Pause") : t("Play"), A::PlayPause{}, play_enabled));
  MenuEntry sound = menu_check_item(t("Sound"), A::ToggleSound{}, v.playing && !v.playing->muted);
  std::get<MenuEntry::Action>(sound.value).enabled = v.playing.has_value();
  children.push_back(std::move(sound));
  children.push_back(menu_item_enabled(t("Stop"), A::StopPlayback{}, audible));
  children.push_back(menu_separator());
  children.push_back(menu_check_item(t("Play clips silently as they come up"), A::ToggleClips{}, v.clips));
  return menu_submenu(t("TV and video"), std::move(children));
}

MenuEntry place_menu(const ViewSnapshot& v, const MenuContext& c, const Texts& t) {
  std::vector<MenuEntry> children;
  for (std::size_t i = 0; i < PLACEMENT_LABELS.size(); ++i) {
    const auto p = static_cast<Placement>(i);
    children.push_back(menu_check_item(t(PLACEMENT_LABELS[i]), A::SetPlacement{p}, v.placement == p));
  }
  if (c.monitor_count >= 2) {
    children.push_back(menu_separator());
    // The bar is placed on the primary screen (entry 0) when the stored index is out of range,
    // so that is the screen to check.
    const std::uint64_t on_screen = v.monitor < c.monitor_count ? v.monitor : 0;
    const std::size_t shown = std::min(c.monitor_count, MAX_SCREEN_ENTRIES);
    for (std::size_t i = 0; i < shown; ++i) {
      const std::string n = std::to_string(i + 1);
      children.push_back(menu_check_item(t("Screen {n}", {{"{n}", n}}), A::SetMonitor{i}, i == on_screen));
    }
  }
  children.push_back(menu_separator());
  MenuEntry reserve = menu_check_item(t("Keep windows clear of the bar"), A::ToggleReserve{}, v.reserve);
  std::get<MenuEntry::Action>(reserve.value).enabled = v.placement != Placement::Island;
  children.push_back(std::move(reserve));
  return menu_submenu(t("Place"), std::move(children));
}

MenuEntry fit_menu(const ViewSnapshot& v, const Texts& t) {
  const std::optional<Fit>& fit = v.fit;
  std::vector<MenuEntry> children;
  for (std::size_t i = 0; i < FIT_MODE_LABELS.size(); ++i) {
    const auto mode = static_cast<FitMode>(i);
    children.push_back(menu_check_item(t(FIT_MODE_LABELS[i]), A::SetFitMode{mode}, fit && fit->mode == mode));
  }
  children.push_back(menu_separator());
  for (std::uint16_t zoom : FIT_ZOOM_CHOICES) {
    children.push_back(menu_check_item(std::to_string(zoom) + "%", A::SetFitZoom{zoom}, fit && fit->zoom == zoom));
  }
  children.push_back(menu_separator());
  for (const FocusPoint& f : FOCUS_POINTS) {
    const bool on = fit && fit->x == f.x && fit->y == f.y;
    children.push_back(menu_check_item(t(f.label), A::SetFocusPoint{f.x, f.y}, on));
  }
  return menu_submenu(t("How it fits"), std::move(children));
}

MenuEntry look_menu(const ViewSnapshot& v, const Texts& t) {
  std::vector<MenuEntry> children;
  for (std::size_t i = 0; i < SKIN_NAMES.size(); ++i) {
    children.push_back(menu_check_item(std::string(SKIN_NAMES[i]), A::SetSkin{i}, v.skin == i));
  }
  children.push_back(menu_separator());
  children.push_back(menu_check_item(t("Use my team's colour"), A::ToggleTeamColours{}, v.team_colours));

  std::vector<MenuEntry> left;
  auto left_entry = [&](std::string label, LeftStyle style) {
    const bool on = v.left == style;
    return menu_check_item(std::move(label), A::SetLeftPanel{std::move(style)}, on);
  };
  left.push_back(left_entry(t("Same as the rest"), LeftStyle::same()));
  left.push_back(left_entry(t("Team colour"), LeftStyle::team()));
  for (std::size_t i = 0; i < SKIN_NAMES.size(); ++i) {
    left.push_back(left_entry(std::string(SKIN_NAMES[i]), LeftStyle::theme_of(i)));
  }
  left.push_back(menu_check_item(t("My picture…"), A::ChooseLeftPicture{}, v.left.kind == LeftStyle::Kind::Picture));
  children.push_back(menu_submenu(t("Left side (brand)"), std::move(left)));

  std::vector<MenuEntry> right;
  right.push_back(menu_check_item(t("Plain"), A::PlainBar{}, !v.bar_image));
  right.push_back(menu_check_item(t("My picture…"), A::ChooseBarPicture{}, v.bar_image.has_value()));
  children.push_back(menu_submenu(t("Right side (content)"), std::move(right)));

  std::vector<MenuEntry> sizes;
  const bool unzoomed = std::fabs(v.orb_zoom - 1.0f) < 0.01f;
  for (OrbSize size : ORB_SIZES) {
    sizes.push_back(menu_check_item(std::string(orb_size_name(size)), A::SetOrbSize{size},
                                    unzoomed && v.orb_size == size));
  }
  sizes.push_back(menu_separator());
  sizes.push_back(menu_check_item(t("Grow for scores and video"), A::ToggleAutoGrow{}, v.auto_grow));
  sizes.push_back(menu_label(t("Or turn the wheel over the orb")));
  children.push_back(menu_submenu(t("Orb size"), std::move(sizes)));

  children.push_back(menu_separator());
  children.push_back(menu_item(t("Use my own picture, GIF or film…"), A::ChooseOrbPicture{}));
  if (v.orb_image) children.push_back(fit_menu(v, t));
  children.push_back(menu_item_enabled(t("Remove my picture"), A::RemoveOrbPicture{}, v.orb_image.has_value()));
  return menu_submenu(t("Look"), std::move(children));
}

MenuEntry country_menu(const ViewSnapshot& v, const Texts& t) {
  std::vector<MenuEntry> children;
  const Country& current = country_by_code(v.country);
  children.push_back(menu_label(current.name));

  std::vector<const Country*> sorted;
  for (const Country& c : WORLD->countries) sorted.push_back(&c);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Country* a, const Country* b) { return name_less(*a, *b); });
  for (std::size_t first = 0; first < sorted.size(); first += COUNTRY_GROUP_SIZE) {
    const std::size_t last = std::min(first + COUNTRY_GROUP_SIZE, sorted.size()) - 1;
    std::vector<MenuEntry> group;
    for (std::size_t i = first; i <= last; ++i) {
      const Country& c = *sorted[i];
      group.push_back(menu_check_item(c.name, A::SetCountry{c.code}, c.code == v.country));
    }
    std::string label = first_char_or_space(sorted[first]->name) + " \u2013 " + first_char_or_space(sorted[last]->name);
    children.push_back(menu_submenu(std::move(label), std::move(group)));
  }
  children.push_back(menu_separator());

  std::vector<MenuEntry> others;
  for (const Language& l : WORLD->languages) {
    const auto& langs = current.langs;
    const bool own = l.code == v.lang || std::find(langs.begin(), langs.end(), l.code) != langs.end();
    (own ? children : others).push_back(choice_menu_entry(v, l));
  }
  children.push_back(menu_submenu(t("Other languages"), std::move(others)));
  return menu_submenu(t("Country and language"), std::move(children));
}

MenuEntry quiet_menu(const ViewSnapshot& v, const MenuContext& c, const Texts& t) {
  std::vector<MenuEntry> children;
  if (deadline_pending(v.hidden_until, c.now)) {
    children.push_back(menu_item(t("Show it again now"), A::ShowAgainNow{}));
  } else {
    children.push_back(menu_item(t("Hide for an hour"), A::HideForAnHour{}));
  }
  children.push_back(menu_separator());
  children.push_back(menu_check_item(t("No quiet hours"), A::SetQuietHours{std::nullopt}, !v.quiet));
  for (const QuietPreset& q : QUIET_PRESETS) {
    const QuietHours hours{q.start, q.end};
    children.push_back(menu_check_item(t(q.label), A::SetQuietHours{hours}, v.quiet == hours));
  }
  children.push_back(menu_separator());
  children.push_back(
      menu_check_item(t("Hide while I present or play"), A::ToggleHideWhilePresenting{}, v.hide_presenting));
  return menu_submenu(t("Quiet"), std::move(children));
}

}  // namespace

std::string short_menu_label(std::string_view name) {
  if (char_count(name) <= MENU_LABEL_MAX_CHARS) return std::string(name);
  return std::string(utf8_prefix_chars(name, MENU_LABEL_MAX_CHARS - 1)) + "\u2026";
}

MenuEntry team_menu_entry(const std::vector<FeedSlot>& feeds, std::string_view url, std::string_view name) {
  const bool followed = std::any_of(feeds.begin(), feeds.end(), [&](const FeedSlot& f) { return f.url == url; });
  return menu_check_item(short_menu_label(name), A::FollowFeed{std::string(url), std::string(name)}, followed);
}

MenuEntry league_submenu(const MenuContext& context, std::string_view lang, const std::vector<FeedSlot>& feeds,
                         std::string_view league_id, std::string_view league_title) {
  const Texts t(lang);
  std::vector<MenuEntry> children;
  const std::string all_games = t("All games: {name}", {{"{name}", league_title}});
  children.push_back(team_menu_entry(feeds, featured_feed_url(league_id), all_games));
  children.push_back(menu_separator());
  const auto entry = std::find_if(context.teams.begin(), context.teams.end(),
                                  [&](const LeagueTeams& l) { return l.league_id == league_id; });
  if (entry == context.teams.end()) {
    children.push_back(menu_label(t("Loading teams…")));
  } else {
    for (const Team& team : entry->teams) {
      children.push_back(team_menu_entry(feeds, team_feed_url(team.id), team.name));
    }
  }
  return menu_submenu(std::string(league_title), std::move(children));
}

MenuEntry choice_menu_entry(const ViewSnapshot& view, const Language& language) {
  return menu_check_item(language.name, A::SetLanguage{language.code}, language.code == view.lang);
}

std::string first_char_or_space(std::string_view text) {
  if (text.empty()) return " ";
  return std::string(utf8_prefix_chars(text, 1));
}

bool name_less(const Country& a, const Country& b) { return std::string_view(a.name) < std::string_view(b.name); }

bool name_less_or_equal(const Country& a, const Country& b) { return !name_less(b, a); }

std::vector<MenuEntry> build_menu(const ViewSnapshot& v, const MenuContext& c) {
  const Texts t(v.lang);
  std::vector<MenuEntry> root;
  if (v.available_update) {
    root.push_back(menu_item(t("Update to {v} and restart", {{"{v}", *v.available_update}}), A::InstallUpdate{}));
    root.push_back(menu_separator());
  }
  root.push_back(menu_item_enabled(t("Open"), A::OpenLink{}, current_link(v).has_value()));
  root.push_back(menu_item(t("Refresh now"), A::RefreshNow{}));
  root.push_back(menu_separator());
  root.push_back(following_menu(v, t));
  root.push_back(follow_team_menu(v, c, t));
  root.push_back(follow_feed_menu(v, t));
  root.push_back(menu_item_enabled(t("Follow the link I copied"), A::FollowCopiedLink{}, v.feeds.size() < MAX_FEEDS));
  root.push_back(tv_menu(v, t));
  root.push_back(menu_item(t("Try feeds on the web"), A::TryFeedsOnWeb{}));
  root.push_back(menu_separator());
  root.push_back(place_menu(v, c, t));
  root.push_back(look_menu(v, t));
  root.push_back(country_menu(v, t));
  root.push_back(quiet_menu(v, c, t));
  root.push_back(menu_check_item(t("Start with Windows"), A::ToggleAutostart{}, c.autostart_on));
  root.push_back(menu_separator());
  root.push_back(menu_item(is_bar_active(v, c.now) ? t("Hide (stays in the tray)") : t("Show"), A::ToggleVisible{}));
  root.push_back(menu_item(t("Quit Zelvarons"), A::Quit{}));
  root.push_back(menu_label(t("Beta {v}, not signed by Microsoft", {{"{v}", APP_VERSION}})));
  return root;
}

}  // namespace qx
