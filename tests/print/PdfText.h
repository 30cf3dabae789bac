// SPDX-License-Identifier: GPL-3.0-or-later
// A PDF read back as poppler's tools read it: the page count, the text as laid out, and each
// word with its box in millimetres.
#pragma once

#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>

#include <vector>

struct PdfWord {
    int page; // from 0
    QRectF mm;
    QString text;
};

inline QString runPoppler(const QStringList& arguments)
{
    QProcess tool;
    tool.start(arguments.first(), arguments.mid(1));
    tool.waitForFinished(120000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

inline int pdfPages(const QString& path)
{
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                           .match(runPoppler({QStringLiteral("pdfinfo"), path}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

inline QString pdfLayoutText(const QString& path)
{
    return runPoppler(
        {QStringLiteral("pdftotext"), QStringLiteral("-layout"), path, QStringLiteral("-")});
}

inline std::vector<PdfWord> pdfWords(const QString& path)
{
    const QString html = runPoppler(
        {QStringLiteral("pdftotext"), QStringLiteral("-bbox"), path, QStringLiteral("-")});
    static const QRegularExpression tag(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    constexpr double mmPerPoint = 25.4 / 72;
    std::vector<PdfWord> words;
    int page = -1;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0) == QLatin1StringView("<page ")) {
            ++page;
            continue;
        }
        const QRectF points(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
        words.push_back({page,
                         QRectF(points.topLeft() * mmPerPoint, points.bottomRight() * mmPerPoint),
                         m.captured(5)});
    }
    return words;
}
