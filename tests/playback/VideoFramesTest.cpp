// The player's video output driven the way the engine drives it (format, lock, display,
// cleanup), without the engine: buffer hand-over, sizes, stills and turning.

#include "VideoFrames.h"
#include "VideoView.h"

#include "TestSupport.h"

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

struct Engine
{
    CVideoFrameStore &store;
    unsigned width = 0, height = 0;
    unsigned pitches[3] = {}, lines[3] = {};
    char chroma[5] = "I420";

    unsigned Format(const char *offered, unsigned w, unsigned h)
    {
        std::memcpy(chroma, offered, 4);
        width = w;
        height = h;
        return store.Format(chroma, &width, &height, pitches, lines);
    }
    // Draws one picture: luma by a function of (x, y), neutral chroma; returns its id.
    template <typename F> void *Show(F luma)
    {
        void *planes[3] = {};
        void *id = store.Lock(planes);
        if (!id)
            return nullptr;
        auto *y = static_cast<std::uint8_t *>(planes[0]);
        for (unsigned r = 0; r < lines[0]; ++r)
            for (unsigned c = 0; c < width; ++c)
                y[r * pitches[0] + c] = std::uint8_t(luma(int(c), int(r)));
        for (int p = 1; p < 3; ++p)
            std::memset(planes[p], 128, std::size_t(pitches[p]) * lines[p]);
        store.Display(id);
        return id;
    }
};

// A store for 64 x 48 pictures, fed the way the engine feeds it and drawn by a view.
struct ShownStore
{
    std::shared_ptr<CVideoFrameStore> store = std::make_shared<CVideoFrameStore>();
    Engine engine{*store};
    CVideoView view;

    explicit ShownStore(QSize viewSize)
    {
        store->SetExpectedSize(QSize(64, 48));
        engine.Format("I420", 64, 48);
        view.resize(viewSize);
        view.SetFrameSource(store);
    }
    ~ShownStore() { view.SetFrameSource(nullptr); }
};

// The largest difference of any colour channel between two images of the same size (-1 when
// the sizes differ). Drawing and stills use differently rounded conversions.
int MaxDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q))});
        }
    return most;
}

} // namespace

TEST(VideoFrameStore, AsksForPlanarPicturesOfTheVisibleSize)
{
    CVideoFrameStore store;
    Engine engine{store};
    EXPECT_EQ(engine.Format("RV32", 64, 48), unsigned(CVideoFrameStore::PoolSize));
    EXPECT_STREQ(engine.chroma, "I420");
    EXPECT_GE(engine.pitches[0], 64u);
    EXPECT_GE(engine.pitches[1], 32u);
    EXPECT_EQ(engine.lines[0], 48u);
    EXPECT_EQ(engine.lines[1], 24u);

    engine.Format("J420", 64, 48); // full-range pictures are taken as they come
    EXPECT_STREQ(engine.chroma, "J420");

    // Padded decoder pictures: the known clip size is asked for instead.
    store.SetExpectedSize(QSize(320, 240));
    engine.Format("I420", 320, 258);
    EXPECT_EQ(engine.width, 320u);
    EXPECT_EQ(engine.height, 240u);
    // An expected size larger than the pictures offered is not forced on the engine.
    store.SetExpectedSize(QSize(640, 480));
    engine.Format("I420", 320, 258);
    EXPECT_EQ(engine.height, 258u);
    engine.Show([](int, int) { return 16; });
    EXPECT_EQ(store.Snapshot().size(), QSize(320, 258)); // nothing better known

    EXPECT_EQ(engine.Format("I420", 0, 0), 0u);
}

TEST(VideoFrameStore, EngineNeverWritesThePictureShownOrWaiting)
{
    CVideoFrameStore store;
    Engine engine{store};
    engine.Format("I420", 16, 16);
    EXPECT_FALSE(store.HasPicture());
    void *first = engine.Show([](int, int) { return 100; });
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(store.HasPicture());
    ASSERT_FALSE(store.Snapshot().isNull()); // takes the first picture as the shown one
    void *second = engine.Show([](int, int) { return 120; });
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    // With one picture shown and one waiting, the next buffer is the third one.
    for (int i = 0; i < 20; ++i) {
        void *planes[3] = {};
        void *id = store.Lock(planes);
        ASSERT_NE(id, nullptr);
        EXPECT_NE(id, first);
        EXPECT_NE(id, second);
    }
}

TEST(VideoFrameStore, CountsPicturesReplacedBeforeBeingTaken)
{
    CVideoFrameStore store;
    Engine engine{store};
    engine.Format("I420", 16, 16);
    for (int i = 0; i < 5; ++i)
        engine.Show([](int, int) { return 50; });
    store.Snapshot();
    engine.Show([](int, int) { return 60; });
    store.Snapshot();
    const auto stats = store.GetStatistics();
    EXPECT_EQ(stats.delivered, 6u);
    EXPECT_EQ(stats.replaced, 4u);
    EXPECT_EQ(stats.taken, 2u);
}

TEST(VideoFrameStore, CountsDifferentPicturesAndSaysWhenTheLastHasCome)
{
    CVideoFrameStore store;
    Engine engine{store};
    engine.Format("I420", 64, 48);
    int reached = 0;
    store.StartPictureCount(3, [&] { ++reached; });
    engine.Show([](int, int) { return 10; });
    // The same picture again (the engine repeats it while paused or held up) counts once, in
    // another buffer too.
    engine.Show([](int, int) { return 10; });
    engine.Show([](int, int) { return 10; });
    EXPECT_EQ(store.PictureCount(), 1u);
    // A change in one corner of the picture is a new picture.
    engine.Show([](int x, int y) { return x == 0 && y == 0 ? 11 : 10; });
    EXPECT_EQ(store.PictureCount(), 2u);
    EXPECT_EQ(reached, 0);
    engine.Show([](int x, int) { return x; });
    EXPECT_EQ(reached, 1);
    // Once only, and only until it is stopped (a seek) or started again (a new clip).
    engine.Show([](int x, int) { return 255 - x; });
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(store.PictureCount(), 4u);
    store.StopPictureCount();
    engine.Show([](int, int) { return 90; });
    EXPECT_EQ(store.PictureCount(), 0u);
    store.StartPictureCount(1, [&] { ++reached; });
    engine.Show([](int, int) { return 90; }); // the first picture of a clip always counts
    EXPECT_EQ(reached, 2);
}

TEST(VideoFrameStore, StillHasTheVisibleSizeAndTheNewestPicture)
{
    CVideoFrameStore store;
    Engine engine{store};
    engine.Format("I420", 40, 34); // padded: 30 visible lines, reported by the engine
    store.SetVisibleSizeQuery([] { return QSize(40, 30); });
    engine.Show([](int, int) { return 16; });
    engine.Show([](int, int) { return 235; });
    const QImage still = store.Snapshot();
    EXPECT_EQ(still.size(), QSize(40, 30));
    EXPECT_EQ(still.pixel(20, 29), qRgb(255, 255, 255));
    EXPECT_EQ(store.PictureSize(), QSize(40, 30));

    // Not known yet: the whole picture.
    CVideoFrameStore unknown;
    Engine other{unknown};
    other.Format("I420", 40, 34);
    other.Show([](int, int) { return 16; });
    EXPECT_EQ(unknown.Snapshot().size(), QSize(40, 34));
}

TEST(VideoFrameStore, TurningMirrorsTheStillAndTheDrawing)
{
    CVideoFrameStore store;
    Engine engine{store};
    engine.Format("I420", 32, 24);
    engine.Show([](int x, int y) { return 16 + x * 5 + y * 2; });
    const QImage upright = store.Snapshot();
    store.SetTurned(true);
    EXPECT_TRUE(store.IsTurned());
    const QImage turned = store.Snapshot();
    EXPECT_EQ(turned, upright.mirrored(true, true));

    // The view draws the same turned picture, centred at its own size.
    CVideoView view;
    view.resize(64, 48);
    auto shared = std::shared_ptr<CVideoFrameStore>(&store, [](CVideoFrameStore *) {});
    view.SetFrameSource(shared);
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_LE(MaxDifference(shown.copy(16, 12, 32, 24), turned), 3);
    EXPECT_GT(MaxDifference(shown.copy(16, 12, 32, 24), upright), 20);
    EXPECT_EQ(shown.pixel(2, 2), qRgb(0, 0, 0)); // black around it
    EXPECT_EQ(view.PaintedFrames(), 1u);
    store.SetTurned(false);
    const QImage again = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_LE(MaxDifference(again.copy(16, 12, 32, 24), upright), 3);
    view.SetFrameSource(nullptr);
}

TEST(VideoFrameStore, ViewIsWokenOnNewPicturesAndForgottenWhenItGoes)
{
    auto store = std::make_shared<CVideoFrameStore>();
    Engine engine{*store};
    engine.Format("I420", 16, 16);
    {
        CVideoView view;
        view.resize(16, 16);
        view.show();
        view.SetFrameSource(store);
        for (int i = 0; i < 3; ++i) {
            const quint64 before = view.PaintedFrames();
            engine.Show([i](int, int) { return 40 + 20 * i; });
            ASSERT_TRUE(WaitUntil([&] { return view.PaintedFrames() > before; }));
        }
    }
    // The view is gone: pictures keep coming without anyone to wake.
    engine.Show([](int, int) { return 90; });
    EXPECT_TRUE(store->HasPicture());
}

TEST(VideoFrameStore, CleanupDropsThePictures)
{
    CVideoFrameStore store;
    Engine engine{store};
    engine.Format("I420", 16, 16);
    engine.Show([](int, int) { return 90; });
    store.Snapshot();
    engine.Show([](int, int) { return 91; });
    store.Cleanup();
    EXPECT_FALSE(store.HasPicture());
    EXPECT_TRUE(store.Snapshot().isNull());
    void *planes[3] = {};
    EXPECT_EQ(store.Lock(planes), nullptr);
}

TEST(VideoFrameStore, EngineConvertsForTheViewOnceItHasDrawn)
{
    auto store = std::make_shared<CVideoFrameStore>();
    Engine engine{*store};
    store->SetExpectedSize(QSize(64, 48));
    engine.Format("I420", 64, 48);
    CVideoView view;
    view.resize(100, 48); // the picture at its own size, with bands left and right
    view.SetFrameSource(store);
    engine.Show([](int, int) { return 16; });
    view.grab(); // never drawn before: no size to convert at yet, so the view converts it
    auto stats = store->GetStatistics();
    EXPECT_EQ(stats.converted, 0u);
    EXPECT_EQ(stats.convertedForView, 1u);
    // From now on the converter converts at the drawn size; a new picture only needs its
    // own rectangle repainted.
    engine.Show([](int, int) { return 235; });
    ASSERT_TRUE(WaitUntil([&] { return store->GetStatistics().converted == 1; }));
    EXPECT_EQ(store->DirtyRect(view.rect()), QRect(18, 0, 64, 48));
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(50, 24), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(5, 24), qRgb(0, 0, 0));
    stats = store->GetStatistics();
    EXPECT_EQ(stats.converted, 1u);
    EXPECT_EQ(stats.convertedForView, 1u);
    EXPECT_EQ(stats.painted, 2u);
    // Another area: the whole of it is repainted.
    EXPECT_EQ(store->DirtyRect(QRect(0, 0, 200, 100)), QRect(0, 0, 200, 100));
    view.SetFrameSource(nullptr);
}

TEST(VideoFrameStore, AViewThatHasDrawnBlackGetsTheFirstPictureConverted)
{
    ShownStore fed(QSize(100, 48));
    auto &[store, engine, view] = fed;
    EXPECT_EQ(view.grab().toImage().pixel(50, 24), qRgb(0, 0, 0)); // no picture yet
    engine.Show([](int, int) { return 235; });
    ASSERT_TRUE(WaitUntil([&] { return store->GetStatistics().converted == 1; }));
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(50, 24), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(5, 24), qRgb(0, 0, 0));
    const auto stats = store->GetStatistics();
    EXPECT_EQ(stats.convertedForView, 0u);
    EXPECT_EQ(stats.painted, 1u);
}

// After a change of speed the engine shows the pictures it is late with back to back: the
// converter takes both, and only a third picture waiting makes it skip one.
TEST(VideoFrameStore, PicturesShownBackToBackAreAllConverted)
{
    ShownStore fed(QSize(100, 48));
    auto &[store, engine, view] = fed;
    view.grab(); // drawn once: the converter takes over
    engine.Show([](int, int) { return 16; });
    engine.Show([](int, int) { return 235; });
    ASSERT_TRUE(WaitUntil([&] { return store->GetStatistics().converted == 2; }));
    EXPECT_EQ(store->GetStatistics().skipped, 0u);
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(50, 24), qRgb(255, 255, 255)); // the newer one last

    // A longer burst: the newest pictures are converted in order, any skipped one is older.
    const quint64 before = store->GetStatistics().converted;
    for (int i = 0; i < 5; ++i)
        engine.Show([i](int, int) { return 40 + 40 * i; });
    ASSERT_TRUE(WaitUntil([&] {
        const auto stats = store->GetStatistics();
        return stats.converted + stats.skipped == before + 5;
    }));
    const QImage last = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NEAR(qRed(last.pixel(50, 24)), (200 - 16) * 255 / 219, 2);
}

// Memory new to the process is slow to fill the first time: the drawn pictures are made once
// and then reused, also when pictures are replaced before the view draws them.
TEST(VideoFrameStore, DrawnPicturesAreMadeOnceAndReused)
{
    ShownStore fed(QSize(100, 48));
    auto &[store, engine, view] = fed;
    view.grab();
    for (int i = 0; i < 40; ++i) {
        const quint64 before = store->GetStatistics().converted;
        engine.Show([i](int, int) { return 16 + i; });
        ASSERT_TRUE(WaitUntil([&] { return store->GetStatistics().converted > before; }));
        if (i % 3 == 0) // the view draws every third picture; the others go unseen
            view.grab();
    }
    // The last picture is the one shown.
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage still = store->Snapshot().convertToFormat(QImage::Format_RGB32);
    EXPECT_LE(std::abs(qRed(shown.pixel(50, 24)) - qRed(still.pixel(32, 24))), 2);
    EXPECT_GT(qRed(still.pixel(32, 24)), 40);
    const auto stats = store->GetStatistics();
    EXPECT_GE(stats.replaced, 20u);
    EXPECT_LE(stats.drawnMade, 3u);
}

TEST(VideoFrameStore, APictureOfAClosedClipIsNeverDrawn)
{
    ShownStore fed(QSize(64, 48));
    auto &[store, engine, view] = fed;
    engine.Show([](int, int) { return 16; });
    view.grab(); // the view has drawn: the next picture goes to the converter
    engine.Show([](int, int) { return 235; });
    store->Cleanup(); // the clip closes right after a picture went to the converter
    EXPECT_FALSE(store->HasPicture());
    EXPECT_EQ(view.grab().toImage().pixel(32, 24), qRgb(0, 0, 0)); // nothing drawn after close
    // The next clip's first picture is the one drawn, never the closed clip's white one.
    engine.Format("I420", 64, 48);
    engine.Show([](int, int) { return 126; });
    ASSERT_TRUE(WaitUntil([&] {
        const QRgb centre = view.grab().toImage().pixel(32, 24);
        return qRed(centre) > 90 && qRed(centre) < 160;
    }));
}

// Between a clip's format and its first picture the converter writes the buffers once and
// makes the drawn pictures at the size the view draws at, so the first pictures find their
// memory ready. None of it counts as a picture.
TEST(VideoFrameStore, DrawnPicturesAreReadyBeforeTheFirstPicture)
{
    ShownStore fed(QSize(100, 48));
    auto &[store, engine, view] = fed;
    EXPECT_EQ(view.grab().toImage().pixel(50, 24), qRgb(0, 0, 0)); // the view knows its size
    ASSERT_TRUE(WaitUntil([&] { return store->GetStatistics().drawnMade >= 3; }));
    EXPECT_FALSE(store->HasPicture());
    EXPECT_TRUE(store->Snapshot().isNull());
    EXPECT_FALSE(store->PictureSize().isValid());
    EXPECT_EQ(view.grab().toImage().pixel(50, 24), qRgb(0, 0, 0));
    const quint64 made = store->GetStatistics().drawnMade;

    engine.Show([](int, int) { return 235; });
    ASSERT_TRUE(WaitUntil([&] { return store->GetStatistics().converted == 1; }));
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(50, 24), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(5, 24), qRgb(0, 0, 0));
    const auto stats = store->GetStatistics();
    EXPECT_EQ(stats.drawnMade, made);
    EXPECT_EQ(stats.convertedForView, 0u);
    EXPECT_EQ(stats.delivered, 1u);
    EXPECT_EQ(stats.painted, 1u);

    // A new size before the next clip's first picture (the window restored): what is made
    // ahead at that size draws the picture right.
    store->Cleanup();
    engine.Format("I420", 64, 48);
    view.resize(50, 24); // the picture at half its size
    view.grab();
    engine.Show([](int x, int) { return x < 32 ? 16 : 235; });
    ASSERT_TRUE(WaitUntil([&] { return store->GetStatistics().converted == 2; }));
    const QImage half = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(half.pixel(12, 12), qRgb(0, 0, 0));
    EXPECT_EQ(half.pixel(34, 12), qRgb(255, 255, 255));
    EXPECT_EQ(half.pixel(2, 12), qRgb(0, 0, 0)); // the band beside the picture
    EXPECT_EQ(half.pixel(47, 12), qRgb(0, 0, 0));
}

// The engine sets its output up more than once when it opens a clip, and clips of one card have
// one size: a closed clip's buffers serve the next one, with the new pictures in them.
TEST(VideoFrameStore, BuffersOfAClosedClipServeTheNextOfTheSameSize)
{
    ShownStore fed(QSize(64, 48));
    auto &[store, engine, view] = fed;
    // Buffers with a mark the engine would have overwritten in a buffer of its own.
    for (int i = 0; i < 3; ++i)
        engine.Show([](int, int) { return 77; });
    view.grab();
    store->Cleanup();
    engine.Format("I420", 64, 48);
    void *planes[3] = {};
    void *id = store->Lock(planes);
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(static_cast<std::uint8_t *>(planes[0])[0], 77);
    store->Display(id);
    engine.Show([](int, int) { return 235; });
    ASSERT_TRUE(WaitUntil([&] { return qRed(view.grab().toImage().pixel(32, 24)) == 255; }));
    EXPECT_FALSE(store->Snapshot().isNull());

    // Another size: new buffers, and pictures of that size.
    store->Cleanup();
    store->SetExpectedSize(QSize(32, 24));
    engine.Format("I420", 32, 24);
    engine.Show([](int x, int) { return x < 16 ? 16 : 235; });
    ASSERT_TRUE(WaitUntil([&] { return store->PictureSize() == QSize(32, 24); }));
    const QImage still = store->Snapshot().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(still.pixel(4, 12), qRgb(0, 0, 0));
    EXPECT_EQ(still.pixel(28, 12), qRgb(255, 255, 255));
}

// An output left waiting without a view (the engine kept for the next clip) converts nothing
// for a clip made ready out of sight, whose paused picture the engine shows again and again:
// no drawn pictures at the size of a view it no longer has. Once a view draws it again, it
// converts for that view as before.
TEST(VideoFrameStore, ASpareOutputConvertsNothingUntilAViewDrawsAgain)
{
    ShownStore fed(QSize(100, 48));
    auto &[store, engine, view] = fed;
    view.grab();
    engine.Show([](int, int) { return 235; });
    ASSERT_TRUE(WaitUntil([&] { return store->GetStatistics().converted == 1; }));

    view.SetFrameSource(nullptr);
    store->Cleanup();
    store->ReleaseSpareMemory();
    engine.Format("I420", 64, 48);
    for (int i = 0; i < 4; ++i)
        engine.Show([](int, int) { return 16; });
    // The converter takes well under a millisecond for a picture this small.
    WaitUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(store->GetStatistics().converted, 1u);

    view.SetFrameSource(store);
    EXPECT_EQ(view.grab().toImage().pixel(50, 24), qRgb(0, 0, 0)); // the picture held
    EXPECT_EQ(store->GetStatistics().convertedForView, 1u);
    engine.Show([](int, int) { return 235; });
    ASSERT_TRUE(WaitUntil([&] { return store->GetStatistics().converted == 2; }));
}
