#include "rss_atom.h"

#include <charconv>
#include <utility>

#include "feed_validation.h"
#include "text_cleanup.h"
#include "unicode_text.h"

namespace qx {

namespace {

// Any of the declarations that would make a document expand entities, wherever they stand
// (CDATA and comments included) and in any letter case.
bool declares_dtd_markup(std::string_view text) {
  static constexpr std::string_view MARKERS[] = {"ENTITY", "ELEMENT", "ATTLIST"};
  for (std::size_t i = text.find("<!"); i != std::string_view::npos; i = text.find("<!", i + 2)) {
    const std::string_view rest = text.substr(i + 2);
    for (std::string_view m : MARKERS)
      if (rest.size() >= m.size() && ascii_iequals(rest.substr(0, m.size()), m)) return true;
  }
  return false;
}

bool is_story_name(std::string_view name) { return name == "item" || name == "entry"; }

bool contains(std::string_view hay, std::string_view needle) {
  return hay.find(needle) != std::string_view::npos;
}

// An unsigned 32-bit decimal number, an optional "+" in front; none for anything else.
std::optional<std::uint32_t> parse_u32(std::string_view s) {
  if (s.starts_with('+')) s.remove_prefix(1);
  if (s.empty() || !is_ascii_digit(s[0])) return std::nullopt;
  std::uint32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

void close_item(const ItemDraft& draft, std::vector<QxItem>& stories) {
  if (is_blank(draft.title)) return;
  QxItem story;
  story.title = collapse_text(strip_tags(decode_html_entities(draft.title)), MAX_ITEM_TITLE_CHARS);
  if (validate_https_url(draft.link).ok()) story.url = draft.link;

  std::optional<std::string> poster;
  if (draft.image) poster = draft.image->url;
  if (draft.audio)
    story.media = QxMedia{"audio", *draft.audio, poster};
  else if (draft.video)
    story.media = QxMedia{"video", *draft.video, poster};
  else if (draft.shockwave && story.url)
    story.media = QxMedia{"video", *story.url, poster};
  else if (draft.image)
    story.media = QxMedia{"image", draft.image->url, std::nullopt};

  if (!draft.id.empty()) story.id = draft.id;
  if (!draft.published.empty()) story.published = draft.published;
  stories.push_back(std::move(story));
}

void set_once(std::string& field, std::string_view text) {
  if (field.empty()) field.assign(trim_unicode_whitespace(text));
}

// Where a text inside the elements on stack goes, if anywhere.
enum class TextField { None, ItemTitle, ItemLink, ItemId, ItemPublished, FeedTitle };

TextField text_field(const std::vector<std::string>& stack, const std::string& feed_title, bool item_open) {
  if (stack.empty()) return TextField::None;
  const std::string_view current = stack.back();
  const std::string_view parent = stack.size() < 2 ? std::string_view() : stack[stack.size() - 2];
  if (item_open) {
    if (!is_story_name(parent)) return TextField::None;
    if (current == "title") return TextField::ItemTitle;
    if (current == "link") return TextField::ItemLink;
    if (current == "guid" || current == "id") return TextField::ItemId;
    if (current == "pubdate" || current == "published" || current == "updated") return TextField::ItemPublished;
    return TextField::None;
  }
  if (current == "title" && (parent == "channel" || parent == "feed") &&
      feed_title.size() < MAX_FEED_TITLE_READ_BYTES)
    return TextField::FeedTitle;
  return TextField::None;
}

}  // namespace

std::string xml_local_name(std::string_view raw_name) {
  std::string name = is_valid_utf8(raw_name) ? std::string(raw_name) : sanitize_utf8(raw_name);
  for (char& c : name) c = ascii_lower(c);
  const std::size_t colon = name.find(':');
  if (colon == std::string::npos) return name;
  const std::string_view prefix = std::string_view(name).substr(0, colon);
  if (prefix != "a" && prefix != "atom" && prefix != "atom10" && prefix != "rss") return name;
  const std::string_view local = std::string_view(name).substr(colon + 1);
  if (local == "link" && name.starts_with("atom")) return name;
  return std::string(local);
}

std::string xml_attr(const XmlElement& element, std::string_view name) {
  for (const XmlAttr& a : xml_attrs(element.attrs)) {
    if (!ascii_iequals(a.name, name)) continue;
    return a.value ? std::string(trim_unicode_whitespace(*a.value)) : std::string();
  }
  return {};
}

void on_xml_text(const std::vector<std::string>& stack, std::string_view text, std::string& feed_title,
                 std::optional<ItemDraft>& item) {
  switch (text_field(stack, feed_title, item.has_value())) {
    case TextField::ItemTitle: item->title += text; break;
    case TextField::ItemLink: set_once(item->link, text); break;
    case TextField::ItemId: set_once(item->id, text); break;
    case TextField::ItemPublished: set_once(item->published, text); break;
    case TextField::FeedTitle: feed_title += text; break;
    case TextField::None: break;
  }
}

void on_xml_element(ItemDraft& item, std::string_view name, const XmlElement& element) {
  if (name == "link") {
    const std::string href = xml_attr(element, "href");
    const std::string rel = xml_attr(element, "rel");
    if (!href.empty() && item.link.empty() && (rel.empty() || rel == "alternate")) item.link = href;
    return;
  }
  if (name != "enclosure" && name != "media:content" && name != "media:thumbnail" && name != "itunes:image")
    return;

  std::string address = xml_attr(element, "url");
  if (address.empty()) address = xml_attr(element, "href");
  address = normalize_picture_url(address);
  if (!validate_https_url(address).ok()) return;

  const std::string kind = xml_attr(element, "type") + " " + xml_attr(element, "medium");
  if (contains(kind, "shockwave")) {
    item.shockwave = true;
  } else if (contains(kind, "audio")) {
    if (!item.audio) item.audio = std::move(address);
  } else if (contains(kind, "video")) {
    if (!item.video) item.video = std::move(address);
  } else if (is_blank(kind) || contains(kind, "image")) {
    const std::uint32_t width = parse_u32(xml_attr(element, "width")).value_or(1);
    if (!item.image || width > item.image->width) item.image = PictureCandidate{std::move(address), width};
  }
}

CoreResult<QxFeedV1> read_rss_atom(std::string_view text) {
  if (declares_dtd_markup(text)) return err(CoreError::invalid_xml("entity declarations are forbidden"));

  // Replacing malformed UTF-8 up front gives the same texts as replacing it piece by piece: a
  // replacement never swallows an ASCII byte, so no markup moves.
  std::string repaired;
  if (!is_valid_utf8(text)) {
    repaired = sanitize_utf8(text);
    text = repaired;
  }

  XmlPullReader reader(text);
  std::vector<std::string> stack;
  std::string feed_title;
  std::optional<ItemDraft> item;
  std::string channel_picture;  // empty when there is none: a kept address never is
  std::vector<QxItem> stories;

  // Reading stops as soon as the 8th story is kept, so markup broken after it is never seen.
  bool reading = true;
  while (reading && stories.size() < MAX_FEED_ITEMS) {
    const XmlEvent e = reader.next();
    switch (e.kind) {
      case XmlEventKind::Start: {
        std::string name = xml_local_name(e.element.name);
        if (is_story_name(name))
          item.emplace();
        else if (item)
          on_xml_element(*item, name, e.element);
        stack.push_back(std::move(name));
        break;
      }
      case XmlEventKind::Empty: {
        const std::string name = xml_local_name(e.element.name);
        if (item) {
          on_xml_element(*item, name, e.element);
        } else if (name == "itunes:image") {
          ItemDraft scratch;
          on_xml_element(scratch, name, e.element);
          channel_picture = scratch.image ? std::move(scratch.image->url) : std::string();
        }
        break;
      }
      case XmlEventKind::Text:
        // Most text (descriptions, bodies) goes nowhere: it is not decoded at all.
        if (text_field(stack, feed_title, item.has_value()) != TextField::None)
          on_xml_text(stack, decode_html_entities(e.text), feed_title, item);
        break;
      case XmlEventKind::CData:
        on_xml_text(stack, e.text, feed_title, item);
        break;
      case XmlEventKind::End: {
        std::string popped;
        if (!stack.empty()) {
          popped = std::move(stack.back());
          stack.pop_back();
        }
        if (is_story_name(popped) && item) {
          close_item(*item, stories);
          item.reset();
        }
        break;
      }
      case XmlEventKind::Error:
        return err(CoreError::invalid_xml(std::string(e.text)));
      case XmlEventKind::EndOfInput:
        reading = false;
        break;
      case XmlEventKind::Comment:
      case XmlEventKind::Declaration:
      case XmlEventKind::ProcessingInstruction:
      case XmlEventKind::DocType:
        break;
    }
  }

  if (!channel_picture.empty()) {
    for (QxItem& story : stories)
      if (story.media && story.media->kind != "image" && !story.media->poster) story.media->poster = channel_picture;
  }
  return feed_from_stories(feed_title, std::move(stories));
}

}  // namespace qx
