#include "host/bridge/xdata.h"

#include <algorithm>
#include <limits>
#include <string>
#include <type_traits>
#include <variant>

#include "host/dxf/tags.h"

namespace trivane::host::bridge {

namespace {

// Each item is made in its place: GCC 12 reports a variant moved into a vector as maybe
// uninitialized (a false alarm that -Werror turns into an error).
template <typename Value>
void Add(std::vector<XdataItem>& items, std::int16_t code, Value&& value) {
  XdataItem& item = items.emplace_back();
  item.code = code;
  item.value.emplace<std::decay_t<Value>>(std::forward<Value>(value));
}

std::vector<XdataItem> ToHostItems(const dxf::Tags& tags) {
  std::vector<XdataItem> items;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const dxf::Tag& t = tags[i];
    const auto code = static_cast<std::int16_t>(t.code);
    if (t.code >= 1010 && t.code <= 1013) {
      const auto x = dxf::ParseDouble(t.value);
      if (x) {
        TAcadPoint p{*x, 0.0, 0.0};
        if (i + 1 < tags.size() && tags[i + 1].code == t.code + 10) {
          p.y = dxf::ParseDouble(tags[i + 1].value).value_or(0.0);
          ++i;
          if (i + 1 < tags.size() && tags[i + 1].code == t.code + 20) {
            p.z = dxf::ParseDouble(tags[i + 1].value).value_or(0.0);
            ++i;
          }
        }
        Add(items, code, p);
        continue;
      }
    } else if (t.code >= 1040 && t.code <= 1042) {
      if (const auto v = dxf::ParseDouble(t.value)) {
        Add(items, code, *v);
        continue;
      }
    } else if (t.code == 1070) {
      const auto v = dxf::ParseInt(t.value);
      if (v && *v >= std::numeric_limits<std::int16_t>::min() &&
          *v <= std::numeric_limits<std::int16_t>::max()) {
        Add(items, code, static_cast<std::int16_t>(*v));
        continue;
      }
    } else if (t.code == 1071) {
      const auto v = dxf::ParseInt(t.value);
      if (v && *v >= std::numeric_limits<std::int32_t>::min() &&
          *v <= std::numeric_limits<std::int32_t>::max()) {
        Add(items, code, static_cast<std::int32_t>(*v));
        continue;
      }
    }
    // Strings, and numbers that do not read as numbers: kept as their text.
    Add(items, code, t.value.str());
  }
  return items;
}

dxf::Tags ToDxfTags(const std::vector<XdataItem>& items) {
  dxf::Tags tags;
  for (const XdataItem& item : items) {
    const int code = item.code;
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>) {
            tags.push_back(dxf::Tag{code, v});
          } else if constexpr (std::is_same_v<T, double>) {
            tags.push_back(dxf::DoubleTag(code, v));
          } else if constexpr (std::is_same_v<T, TAcadPoint>) {
            tags.push_back(dxf::DoubleTag(code, v.x));
            tags.push_back(dxf::DoubleTag(code + 10, v.y));
            tags.push_back(dxf::DoubleTag(code + 20, v.z));
          } else {
            tags.push_back(dxf::IntTag(code, v));
          }
        },
        item.value);
  }
  return tags;
}

}  // namespace

std::vector<XdataApp> ToHostXdata(const std::vector<dxf::XData>& xdata) {
  std::vector<XdataApp> apps;
  for (const dxf::XData& x : xdata)
    apps.push_back(XdataApp{x.application, ToHostItems(x.tags)});
  return apps;
}

std::vector<dxf::XData> ToDxfXdata(const std::vector<XdataApp>& apps,
                                   const std::vector<dxf::XData>& source) {
  std::vector<dxf::XData> out;
  for (const XdataApp& app : apps) {
    const auto kept = std::find_if(source.begin(), source.end(), [&](const dxf::XData& x) {
      return x.application == app.application && ToHostItems(x.tags) == app.items;
    });
    if (kept != source.end()) {
      out.push_back(*kept);
    } else {
      out.push_back(dxf::XData{app.application, ToDxfTags(app.items)});
    }
  }
  return out;
}

}  // namespace trivane::host::bridge
