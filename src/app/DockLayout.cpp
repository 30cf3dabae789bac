// SPDX-License-Identifier: GPL-3.0-or-later
#include "DockLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

using DockLayout::Area;

constexpr std::array<std::pair<Area, QLatin1StringView>, 4> areaNames{{
    {Area::Left, QLatin1StringView("left")},
    {Area::Right, QLatin1StringView("right")},
    {Area::Top, QLatin1StringView("top")},
    {Area::Bottom, QLatin1StringView("bottom")},
}};

constexpr qsizetype longestName = 32;

QString nameOf(Area area)
{
    for (const auto& [known, name] : areaNames) {
        if (known == area)
            return name;
    }
    return areaNames.front().second;
}

std::optional<Area> areaNamed(const QJsonValue& value)
{
    for (const auto& [area, name] : areaNames) {
        if (value.isString() && value.toString() == name)
            return area;
    }
    return std::nullopt;
}

bool isPaneName(const QString& name)
{
    if (name.isEmpty() || name.size() > longestName || !name.front().isLetter())
        return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'_';
    });
}

// A JSON number that is a whole number from lowest to highest; JSON has no other kind.
std::optional<int> wholeNumber(const QJsonValue& value, int lowest, int highest)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= lowest && number <= highest) || std::trunc(number) != number)
        return std::nullopt;
    return int(number);
}

std::optional<QRect> geometryOf(const QJsonValue& value)
{
    const QJsonArray numbers = value.toArray();
    if (!value.isArray() || numbers.size() != 4)
        return std::nullopt;
    using DockLayout::farthestPosition;
    using DockLayout::largestSize;
    const auto x = wholeNumber(numbers[0], -farthestPosition, farthestPosition);
    const auto y = wholeNumber(numbers[1], -farthestPosition, farthestPosition);
    const auto width = wholeNumber(numbers[2], 1, largestSize);
    const auto height = wholeNumber(numbers[3], 1, largestSize);
    if (!x || !y || !width || !height)
        return std::nullopt;
    return QRect(*x, *y, *width, *height);
}

std::optional<DockLayout::Pane> paneOf(const QJsonValue& value)
{
    static const QSet<QString> knownKeys{QStringLiteral("pane"),     QStringLiteral("area"),
                                         QStringLiteral("floating"), QStringLiteral("shown"),
                                         QStringLiteral("size"),     QStringLiteral("geometry")};
    const QJsonObject fields = value.toObject();
    if (!value.isObject())
        return std::nullopt;
    for (auto field = fields.begin(); field != fields.end(); ++field) {
        if (!knownKeys.contains(field.key()))
            return std::nullopt;
    }
    const QJsonValue name = fields.value(QStringLiteral("pane"));
    const auto area = areaNamed(fields.value(QStringLiteral("area")));
    const QJsonValue floating = fields.value(QStringLiteral("floating"));
    const QJsonValue shown = fields.value(QStringLiteral("shown"));
    const auto size = wholeNumber(fields.value(QStringLiteral("size")), 1, DockLayout::largestSize);
    if (!isPaneName(name.toString()) || !area || !floating.isBool() || !shown.isBool() || !size)
        return std::nullopt;

    DockLayout::Pane pane{name.toString(), *area, floating.toBool(), shown.toBool(), *size, {}};
    // A geometry belongs to a floating pane and to no other.
    const QJsonValue geometry = fields.value(QStringLiteral("geometry"));
    if (pane.floating != !geometry.isUndefined())
        return std::nullopt;
    if (pane.floating) {
        const auto rect = geometryOf(geometry);
        if (!rect)
            return std::nullopt;
        pane.geometry = *rect;
    }
    return pane;
}

QJsonObject objectOf(const DockLayout::Pane& pane)
{
    using DockLayout::farthestPosition;
    using DockLayout::largestSize;
    QJsonObject fields{{QStringLiteral("pane"), pane.name},
                       {QStringLiteral("area"), nameOf(pane.area)},
                       {QStringLiteral("floating"), pane.floating},
                       {QStringLiteral("shown"), pane.shown},
                       {QStringLiteral("size"), std::clamp(pane.size, 1, largestSize)}};
    if (pane.floating) {
        const QRect& rect = pane.geometry;
        fields.insert(QStringLiteral("geometry"),
                      QJsonArray{std::clamp(rect.x(), -farthestPosition, farthestPosition),
                                 std::clamp(rect.y(), -farthestPosition, farthestPosition),
                                 std::clamp(rect.width(), 1, largestSize),
                                 std::clamp(rect.height(), 1, largestSize)});
    }
    return fields;
}

} // namespace

QString DockLayout::write(const Layout& layout)
{
    QJsonArray panes;
    for (const Pane& pane : layout.panes) {
        if (panes.size() < mostPanes && isPaneName(pane.name))
            panes.append(objectOf(pane));
    }
    const QJsonObject top{{QStringLiteral("layout"), version}, {QStringLiteral("panes"), panes}};
    return QString::fromUtf8(QJsonDocument(top).toJson(QJsonDocument::Compact));
}

std::optional<DockLayout::Layout> DockLayout::read(const QString& stored)
{
    // The length is checked before anything is parsed.
    if (stored.isEmpty() || stored.size() > longestText)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(stored.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject top = document.object();
    const QJsonValue panes = top.value(QStringLiteral("panes"));
    if (top.size() != 2 ||
        wholeNumber(top.value(QStringLiteral("layout")), version, version) != version ||
        !panes.isArray() || panes.toArray().size() > mostPanes)
        return std::nullopt;

    Layout layout;
    QSet<QString> names;
    for (const QJsonValue& value : panes.toArray()) {
        const auto pane = paneOf(value);
        if (!pane || names.contains(pane->name))
            return std::nullopt;
        names.insert(pane->name);
        layout.panes.push_back(*pane);
    }
    return layout;
}
