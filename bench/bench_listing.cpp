// Building and showing the listing of a full instrument: 4681 stored records.
#include "app/form1.h"
#include "core/listing.h"
#include "core/protocol.h"

#include <QPlainTextEdit>
#include <QTest>

namespace {

QByteArray fullBlock()
{
    QByteArray block;
    block.reserve(Protocol::blockBytes(4681));
    for (int i = 0; i < 4681; ++i) {
        const char record[Record::kBytes] = {char(1 + i % 4),
                                char(i % 100),
                                char(i % 97),
                                char(1 + i % 6),
                                char(i % 13),
                                char(i % 100),
                                char(i % 60)};
        block.append(record, Record::kBytes);
    }
    return block;
}

} // namespace

class ListingBench : public QObject
{
    Q_OBJECT

private slots:
    void buildOnly()
    {
        const QByteArray block = fullBlock();
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(block.constData());
        QBENCHMARK
        {
            const Listing::Result result = Listing::build(bytes, block.size(), 4681, 0);
            QVERIFY(result.text.size() > 4681 * 60);
        }
    }

    // What the user waits for after the last byte: decode, set the list, paint it.
    void buildAndShow()
    {
        Form1 form;
        form.Option2_Click();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QByteArray block = fullBlock();
        // Once before measuring: the first paint of the listing loads its font's glyphs.
        form.DecodeStoredRecords(block, 4681);
        form.ui().RichTextBox1->repaint();
        QBENCHMARK
        {
            form.DecodeStoredRecords(block, 4681);
            form.ui().RichTextBox1->repaint();
        }
        QCOMPARE(form.ui().RichTextBox1->document()->blockCount(), 3 + 4681);
    }
};

QTEST_MAIN(ListingBench)
#include "bench_listing.moc"
