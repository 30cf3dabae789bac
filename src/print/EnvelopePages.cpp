// SPDX-License-Identifier: GPL-3.0-or-later
#include "EnvelopePages.h"

#include "PageUnits.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {

// The boxes as envelopes printed for the Chinese post place them: 8 × 10 mm, 2 mm apart,
// the first 20 mm from the left edge and 10 mm from the top.
constexpr double boxLeftMm = 20;
constexpr double boxTopMm = 10;
constexpr double boxWidthMm = 8;
constexpr double boxHeightMm = 10;
constexpr double boxGapMm = 2;
constexpr int postcodeDigits = 6;

class EnvelopePainter {
public:
    EnvelopePainter(QPainter& painter, const PageUnits& units, const PrintOptions& options)
        : m_painter(painter)
        , m_units(units)
        , m_options(options)
        , m_size(envelopeSizes[std::size_t(options.envelope)])
    {
    }

    void draw(const PrintContact& contact);

private:
    // Millimetres on the envelope to device pixels, the offset applied.
    QRectF at(double x, double y, double width, double height) const
    {
        return m_units.rect(
            QRectF(x + m_options.sender.offsetXmm, y + m_options.sender.offsetYmm, width, height));
    }
    void drawPostcode(const QString& postcode);
    void drawRecipient(const PrintContact& contact);
    void drawSender();

    QPainter& m_painter;
    const PageUnits& m_units;
    const PrintOptions& m_options;
    EnvelopeSize m_size;
};

void EnvelopePainter::drawPostcode(const QString& postcode)
{
    m_painter.setFont(printFont(16, true));
    for (int i = 0; i < postcodeDigits; ++i) {
        const QRectF box = m_units.rect(EnvelopePages::postcodeBox(i, m_options.sender));
        m_painter.drawRect(box);
        if (i < postcode.size())
            m_painter.drawText(box, Qt::AlignCenter, postcode.mid(i, 1));
    }
}

void EnvelopePainter::drawRecipient(const PrintContact& contact)
{
    const double width = m_size.widthMm - 2 * boxLeftMm;
    const double addressTop = boxTopMm + boxHeightMm + 8;
    m_painter.setFont(printFont(12));
    m_painter.drawText(at(boxLeftMm, addressTop, width, 16),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, contact.address());
    const double nameTop = m_size.heightMm * 0.45;
    m_painter.drawText(at(boxLeftMm + 10, nameTop, width - 20, 8),
                       Qt::AlignHCenter | Qt::AlignBottom, contact.company());
    m_painter.setFont(printFont(18, true));
    const QString name = contact.name();
    m_painter.drawText(at(boxLeftMm + 10, nameTop + 9, width - 20, 12), Qt::AlignCenter,
                       name.isEmpty() ? QString() : name + QStringLiteral("  收"));
}

void EnvelopePainter::drawSender()
{
    const PrintSettings& sender = m_options.sender;
    const double width = m_size.widthMm * 0.6;
    const double left = m_size.widthMm - 12 - width;
    const double top = m_size.heightMm - 24;
    m_painter.setFont(printFont(10));
    m_painter.drawText(at(left, top, width, 10),
                       Qt::AlignRight | Qt::AlignBottom | Qt::TextWordWrap, sender.senderAddress);
    if (!sender.senderPostcode.isEmpty())
        m_painter.drawText(at(left, top + 11, width, 6), Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("邮政编码：") + sender.senderPostcode);
}

void EnvelopePainter::draw(const PrintContact& contact)
{
    drawPostcode(contact.postcode());
    drawRecipient(contact);
    drawSender();
}

} // namespace

QRectF EnvelopePages::postcodeBox(int index, const PrintSettings& settings)
{
    return {boxLeftMm + index * (boxWidthMm + boxGapMm) + settings.offsetXmm,
            boxTopMm + settings.offsetYmm, boxWidthMm, boxHeightMm};
}

PrintOutcome EnvelopePages::draw(QPagedPaintDevice& device, const PrintOptions& options,
                                 const std::vector<PrintContact>& contacts,
                                 const PrintProgress& progress)
{
    const EnvelopeSize size = envelopeSizes[std::size_t(options.envelope)];
    // The page is the envelope, wider than high as it goes through the printer's hand feed.
    device.setPageLayout(
        QPageLayout(QPageSize(QSizeF(size.widthMm, size.heightMm), QPageSize::Millimeter,
                              QString::fromUtf16(size.name), QPageSize::ExactMatch),
                    QPageLayout::Portrait, QMarginsF()));
    const PageUnits units(device);
    QPainter painter(&device);
    painter.setPen(QPen(Qt::black, units.px(0.3)));
    EnvelopePainter envelope(painter, units, options);
    const int total = int(contacts.size());
    for (int i = 0; i < total; ++i) {
        if (i > 0)
            device.newPage();
        envelope.draw(contacts[std::size_t(i)]);
        if (progress && !progress(i + 1, total))
            return {i + 1, true};
    }
    return {total, false};
}
