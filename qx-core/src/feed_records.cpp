#include "feed_records.h"

#include "json_reader.h"

namespace qx {

// The records' JSON forms: keys in the order of the arrays that the array form takes.
// Defined leaf first so that each record finds the ones it holds.

static const JsonRecord<QxBadge>& json_record(JsonTag<QxBadge>) {
  static const JsonRecord<QxBadge> r{"QxBadge",
                                     {
                                         json_field<&QxBadge::short_text>("shortText"),
                                         json_field<&QxBadge::status_text>("statusText"),
                                         json_field<&QxBadge::accent_hex>("accentHex"),
                                         json_field<&QxBadge::pulse_event_id>("pulseEventId"),
                                     }};
  return r;
}

static const JsonRecord<QxDrawerLink>& json_record(JsonTag<QxDrawerLink>) {
  static const JsonRecord<QxDrawerLink> r{"QxDrawerLink",
                                          {
                                              json_field<&QxDrawerLink::label>("label"),
                                              json_field<&QxDrawerLink::url>("url"),
                                              json_field<&QxDrawerLink::tag>("tag"),
                                              json_field<&QxDrawerLink::affiliate_slug>("affiliateSlug"),
                                          }};
  return r;
}

static const JsonRecord<QxDrawer>& json_record(JsonTag<QxDrawer>) {
  static const JsonRecord<QxDrawer> r{"QxDrawer",
                                      {
                                          json_field<&QxDrawer::headline>("headline"),
                                          json_field<&QxDrawer::updated_at>("updatedAt"),
                                          json_field<&QxDrawer::links>("links", JSON_DEFAULT),
                                      }};
  return r;
}

static const JsonRecord<QxSide>& json_record(JsonTag<QxSide>) {
  static const JsonRecord<QxSide> r{"QxSide",
                                    {
                                        json_field<&QxSide::abbr>("abbr"),
                                        json_field<&QxSide::name>("name"),
                                        json_field<&QxSide::score>("score"),
                                        json_field<&QxSide::color_hex>("colorHex"),
                                    }};
  return r;
}

static const JsonRecord<QxScore>& json_record(JsonTag<QxScore>) {
  static const JsonRecord<QxScore> r{"QxScore",
                                     {
                                         json_field<&QxScore::state>("state"),
                                         json_field<&QxScore::detail>("detail"),
                                         json_field<&QxScore::starts_at>("startsAt"),
                                         json_field<&QxScore::away>("away"),
                                         json_field<&QxScore::home>("home"),
                                     }};
  return r;
}

static const JsonRecord<QxMedia>& json_record(JsonTag<QxMedia>) {
  static const JsonRecord<QxMedia> r{"QxMedia",
                                     {
                                         json_field<&QxMedia::kind>("kind"),
                                         json_field<&QxMedia::url>("url"),
                                         json_field<&QxMedia::poster>("poster"),
                                     }};
  return r;
}

static const JsonRecord<QxItem>& json_record(JsonTag<QxItem>) {
  static const JsonRecord<QxItem> r{"QxItem",
                                    {
                                        json_field<&QxItem::title>("title"),
                                        json_field<&QxItem::url>("url"),
                                        json_field<&QxItem::id>("id"),
                                        json_field<&QxItem::published>("published"),
                                        json_field<&QxItem::media>("media"),
                                    }};
  return r;
}

static const JsonRecord<QxSignature>& json_record(JsonTag<QxSignature>) {
  static const JsonRecord<QxSignature> r{"QxSignature",
                                         {
                                             json_field<&QxSignature::alg>("alg"),
                                             json_field<&QxSignature::kid>("kid"),
                                             json_field<&QxSignature::sig>("sig"),
                                         }};
  return r;
}

static const JsonRecord<QxFeedV1>& json_record(JsonTag<QxFeedV1>) {
  static const JsonRecord<QxFeedV1> r{"QxFeedV1",
                                      {
                                          json_field<&QxFeedV1::schema>("schema"),
                                          json_field<&QxFeedV1::id>("id"),
                                          json_field<&QxFeedV1::title>("title"),
                                          json_field<&QxFeedV1::poll_seconds>("pollSeconds"),
                                          json_field<&QxFeedV1::badge>("badge"),
                                          json_field<&QxFeedV1::drawer>("drawer"),
                                          json_field<&QxFeedV1::score>("score"),
                                          json_field<&QxFeedV1::items>("items", JSON_DEFAULT),
                                          json_field<&QxFeedV1::signature>("signature"),
                                      }};
  return r;
}

namespace {

CoreResult<QxFeedV1> as_core_result(JsonResult<QxFeedV1>&& r) {
  if (!r) return err(CoreError::serialization(std::move(r).error()));
  return std::move(r).value();
}

}  // namespace

CoreResult<QxFeedV1> read_qx_feed(std::string_view text) { return as_core_result(read_json_record<QxFeedV1>(text)); }

CoreResult<QxFeedV1> read_qx_feed_checked(std::string_view text) {
  return as_core_result(read_json_record_checked(text, json_record(JsonTag<QxFeedV1>{})));
}

nlohmann::ordered_json qx_feed_to_json(const QxFeedV1& feed) { return json_record_to_json(feed); }

}  // namespace qx
