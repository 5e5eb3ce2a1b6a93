// The drop target core on offscreen widgets: registration rules, the drag
// notifications and their effects, a drag that holds nothing acceptable, the
// feedback a source gets, the file target's list, and scrolling a scroll area
// while the pointer rests near its edge.
#include "dragdrop/DragDropFile.h"
#include "platform/OleDragDrop_qt.h"
#include "platform/SysUtils.h"
#include "tests/app/WidgetTestSupport.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>

#include <gtest/gtest.h>

namespace kestrune::dragdrop {
namespace {

using kestrune::testing::WaitFor;

class DropTargetTest : public ::testing::Test {
protected:
    DropTargetTest() {
        window.resize(200, 150);
        child = new QWidget(&window);
        child->setGeometry(10, 10, 50, 50);
        window.show();
    }

    // The notifications Qt would give the window, as the registered window's own.
    HRESULT Enter(IDataObject* object, uint32_t& effect, uint32_t keys = MK_LBUTTON) {
        return InWindow([&] { return target.DragEnter(Shared(object), keys, Screen(), effect); });
    }
    HRESULT Over(uint32_t& effect, uint32_t keys = MK_LBUTTON) {
        return InWindow([&] { return target.DragOver(keys, Screen(), effect); });
    }
    HRESULT DropIt(IDataObject* object, uint32_t& effect) {
        return InWindow([&] { return target.Drop(Shared(object), 0, Screen(), effect); });
    }
    // As the registered window's event filter calls the target.
    template <typename TCall>
    HRESULT InWindow(TCall&& call, QWidget* in = nullptr) {
        ole::TDropWindowScope scope(in != nullptr ? in : &window);
        return call();
    }
    ole::POINTL Screen() const {
        const QPoint global = window.mapToGlobal(QPoint(100, 100));
        return {global.x(), global.y()};
    }
    static std::shared_ptr<IDataObject> Shared(IDataObject* object) {
        return {object, [](IDataObject*) {}};
    }

    QWidget window;
    QWidget* child;
    TDropFileTarget target;
};

TEST_F(DropTargetTest, RegistrationKeepsOneEntryPerWidgetAndChildrenAfterAncestors) {
    QWidget other;
    target.RegisterControl(&window);
    target.RegisterControl(&window);
    EXPECT_EQ(target.Targets(), (std::vector<QWidget*>{&window}));
    target.RegisterControl(&other);  // not a multi-target: the first goes
    EXPECT_EQ(target.Targets(), (std::vector<QWidget*>{&other}));
    EXPECT_FALSE(window.acceptDrops());
    target.MultiTarget = true;
    target.RegisterControl(&window);
    target.RegisterControl(child);
    EXPECT_EQ(target.Targets(), (std::vector<QWidget*>{&other, &window, child}));
    target.UnregisterControl(&other);
    target.RegisterControl(&other);
    target.UnregisterControl(child);
    target.RegisterControl(child);
    EXPECT_EQ(target.Targets(), (std::vector<QWidget*>{&window, child, &other}));
    EXPECT_EQ(ole::RegisterDragDrop(&window, &target), DRAGDROP_E_ALREADYREGISTERED);
    target.UnregisterControl(nullptr);
    EXPECT_TRUE(target.Targets().empty());
    EXPECT_EQ(ole::RevokeDragDrop(&window), DRAGDROP_E_NOTREGISTERED);
    {
        QWidget gone;
        target.RegisterControl(&gone);
    }
    EXPECT_TRUE(target.Targets().empty());  // a widget destroyed leaves the list
}

TEST_F(DropTargetTest, AFileDropFillsTheListForTheHandlerAndReportsCopy) {
    target.RegisterControl(&window);
    target.DragTypes = DragTypes({TDragType::dtCopy});
    std::vector<std::string> seen;
    int drops = 0;
    target.OnDrop = [&](TCustomDropTarget&, TShiftState, POINTL, uint32_t&) {
        ++drops;
        seen = target.GetFiles();
    };
    TMemoryDataObject object;
    object.SetBytes(CF_HDROP, WriteDropFiles({"/d/1.hpt", "/d/2.hpt", "/d/3.hpt"}));
    uint32_t effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(Enter(&object, effect, MK_LBUTTON | MK_SHIFT), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);  // Shift asks for a move; copy is the only one allowed
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(Over(effect, MK_LBUTTON | MK_SHIFT | MK_CONTROL), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(DropIt(&object, effect), S_OK);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"/d/1.hpt", "/d/2.hpt", "/d/3.hpt"}));
    EXPECT_TRUE(target.GetFiles().empty());
    EXPECT_EQ(target.Target(), nullptr);
    // The source was told what was done.
    TPerformedDropEffectClipboardFormat performed;
    ASSERT_TRUE(performed.GetData(object));
    EXPECT_EQ(performed.Value, DROPEFFECT_COPY);
}

TEST_F(DropTargetTest, AnOptimizedMoveIsReportedToTheSourceAsCopy) {
    target.RegisterControl(&window);
    target.DragTypes = DragTypes({TDragType::dtMove});
    TMemoryDataObject object;
    object.SetBytes(CF_HDROP, WriteDropFiles({"/d/1.hpt"}));
    uint32_t effect = DROPEFFECT_MOVE;
    Enter(&object, effect);
    EXPECT_EQ(effect, DROPEFFECT_MOVE);
    EXPECT_EQ(DropIt(&object, effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
}

TEST_F(DropTargetTest, DragsWithoutAcceptableDataGetNoEffectAndNoDrop) {
    target.RegisterControl(&window);
    int drops = 0;
    target.OnDrop = [&](TCustomDropTarget&, TShiftState, POINTL, uint32_t&) { ++drops; };
    TMemoryDataObject text;
    text.SetBytes(CF_UNICODETEXT, WriteWideText(u"/d/1.hpt"));
    uint32_t effect = DROPEFFECT_COPY;
    EXPECT_EQ(Enter(&text, effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(Over(effect), DV_E_CLIPFORMAT);
    EXPECT_EQ(DropIt(&text, effect), E_UNEXPECTED);
    EXPECT_EQ(effect, DROPEFFECT_NONE);

    // Offered, but holding no name: no drop event, no effect.
    TMemoryDataObject empty;
    empty.SetBytes(CF_HDROP, TBytes(20, 0));
    effect = DROPEFFECT_COPY;
    Enter(&empty, effect);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    EXPECT_EQ(DropIt(&empty, effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    EXPECT_EQ(drops, 0);

    // A handler that refuses on entering leaves the rest of the drag without data.
    target.OnEnter = [](TCustomDropTarget&, TShiftState, POINTL, uint32_t& e) { e = DROPEFFECT_NONE; };
    TMemoryDataObject files;
    files.SetBytes(CF_HDROP, WriteDropFiles({"/d/1.hpt"}));
    effect = DROPEFFECT_COPY;
    Enter(&files, effect);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(Over(effect), DV_E_CLIPFORMAT);
    EXPECT_EQ(DropIt(&files, effect), E_UNEXPECTED);
    EXPECT_EQ(drops, 0);

    // A drag that carries only a name map is taken; its drop has no files.
    target.OnEnter = nullptr;
    TMemoryDataObject mapOnly;
    mapOnly.SetBytes(TUnicodeFilenameMapClipboardFormat::Id(), WriteNameList({"copy.hpt"}, true));
    effect = DROPEFFECT_COPY;
    Enter(&mapOnly, effect);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    bool noFiles = false;
    target.OnDrop = [&](TCustomDropTarget&, TShiftState, POINTL, uint32_t&) { noFiles = target.GetFiles().empty(); };
    DropIt(&mapOnly, effect);
    EXPECT_TRUE(noFiles);
}

TEST_F(DropTargetTest, DataFetchedOnEnteringIsTheDropsAndAFetchThatFailsRefusesTheDrag) {
    target.RegisterControl(&window);
    target.GetDataOnEnter = true;
    std::vector<std::string> entered, dropped;
    target.OnEnter = [&](TCustomDropTarget&, TShiftState, POINTL, uint32_t&) { entered = target.GetFiles(); };
    target.OnDrop = [&](TCustomDropTarget&, TShiftState, POINTL, uint32_t&) { dropped = target.GetFiles(); };
    const std::vector<std::string> names{"/d/\xc3\x9c" "berflug #3 100%20.hpt"};
    TMemoryDataObject object;
    object.SetBytes(CF_HDROP, WriteDropFiles(names));
    uint32_t effect = DROPEFFECT_COPY;
    EXPECT_EQ(Enter(&object, effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    EXPECT_EQ(entered, names);
    // The drop reads nothing again: what the source offers meanwhile does not count.
    object.SetBytes(CF_HDROP, WriteDropFiles({"/d/other.hpt"}));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(DropIt(&object, effect), S_OK);
    EXPECT_EQ(dropped, names);
    EXPECT_TRUE(target.GetFiles().empty());

    // Offered but holding no name: refused on entering, and the drag has no data.
    TMemoryDataObject hollow;
    hollow.SetBytes(CF_HDROP, TBytes(20, 0));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(Enter(&hollow, effect), DV_E_CLIPFORMAT);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(Over(effect), DV_E_CLIPFORMAT);
    EXPECT_EQ(DropIt(&hollow, effect), E_UNEXPECTED);
}

TEST_F(DropTargetTest, PastingFromTheClipboardIsADropAtNoPoint) {
    target.RegisterControl(&window);
    std::vector<std::string> pasted;
    uint32_t seen = 99;
    POINTL at{-1, -1};
    target.OnDrop = [&](TCustomDropTarget&, TShiftState, POINTL point, uint32_t& effect) {
        pasted = target.GetFiles();
        seen = effect;
        at = point;
    };
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile("/d/1.hpt"), QUrl::fromLocalFile("/d/\u00e9t\u00e9.l1b")});
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_TRUE(target.CanPasteFromClipboard());
    // No preferred effect on the clipboard: the file target takes copy.
    EXPECT_EQ(target.PasteFromClipboard(), DROPEFFECT_COPY);
    EXPECT_EQ(pasted, (std::vector<std::string>{"/d/1.hpt", "/d/\xc3\xa9t\xc3\xa9.l1b"}));
    EXPECT_EQ(seen, DROPEFFECT_COPY);
    EXPECT_EQ(at, POINTL{});
    EXPECT_TRUE(target.GetFiles().empty());
    EXPECT_EQ(target.Target(), nullptr);

    // Text alone is nothing to paste: the drop comes, with no effect and no files.
    QGuiApplication::clipboard()->setText("/d/1.hpt");
    EXPECT_FALSE(target.CanPasteFromClipboard());
    EXPECT_EQ(target.PasteFromClipboard(), 0u);
    EXPECT_EQ(seen, 0u);
    EXPECT_TRUE(pasted.empty());
}

// Assigned a source, the target takes its data as a drop would: a data
// object's stays in the target for the caller, the clipboard's is pasted.
TEST_F(DropTargetTest, AssignedASourceTheTargetTakesItsData) {
    target.RegisterControl(&window);
    std::vector<std::string> dropped;
    int drops = 0;
    target.OnDrop = [&](TCustomDropTarget&, TShiftState, POINTL, uint32_t&) {
        ++drops;
        dropped = target.GetFiles();
    };
    const std::vector<std::string> names{"/archive/2023/05/03/230503_1200_noaa18.wsd", "/d/N19_1200.HPT"};
    TMemoryDataObject object;
    object.SetBytes(CF_HDROP, WriteDropFiles(names));
    target.Assign(Shared(&object));
    EXPECT_EQ(target.GetFiles(), names);
    EXPECT_EQ(drops, 0) << "an assignment is no drop";
    EXPECT_EQ(target.DataObject(), nullptr) << "the source is not kept";

    // Nothing the target can take: refused, and nothing of the earlier data is left.
    TMemoryDataObject hollow;
    hollow.SetBytes(CF_HDROP, TBytes(20, 0));
    EXPECT_THROW(target.Assign(Shared(&hollow)), EConvertError);
    EXPECT_TRUE(target.GetFiles().empty());
    EXPECT_THROW(target.Assign(std::shared_ptr<IDataObject>()), EConvertError);

    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile("/d/1.hpt")});
    QGuiApplication::clipboard()->setMimeData(data);
    target.Assign(Clipboard);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(dropped, std::vector<std::string>{"/d/1.hpt"});
}

TEST_F(DropTargetTest, ADragImageTravelsWithTheDataAndIsTakenWhenImagesAreShown) {
    target.RegisterControl(&window);
    QImage picture(24, 16, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    TMemoryDataObject object;
    object.SetBytes(CF_HDROP, WriteDropFiles({"/d/1.hpt"}));
    ASSERT_TRUE(ole::SetDragImage(object, {picture, QPoint(3, 4)}));
    uint32_t effect = DROPEFFECT_COPY;
    Enter(&object, effect);
    ASSERT_NE(target.DragImage(), nullptr);
    EXPECT_EQ(target.DragImage()->HotSpot, QPoint(3, 4));
    EXPECT_EQ(target.DragImage()->Picture.size(), QSize(24, 16));
    EXPECT_EQ(target.DragImage()->Picture.pixelColor(5, 5), QColor(Qt::red));
    target.DragLeave();
    EXPECT_EQ(target.DragImage(), nullptr);
    target.ShowImage = false;
    Enter(&object, effect);
    EXPECT_EQ(target.DragImage(), nullptr);
    target.DragLeave();

    // Through MIME data, as another program receives the drag.
    const std::unique_ptr<QMimeData> mime(ole::MimeDataFromDataObject(object));
    ole::TMimeDataObject received(mime.get());
    ole::TDragImage image;
    ASSERT_TRUE(ole::GetDragImage(received, image));
    EXPECT_EQ(image.HotSpot, QPoint(3, 4));
    // A damaged picture is no image.
    TMemoryDataObject damaged;
    damaged.SetBytes(RegisterClipboardFormat("DragImageBits"), TBytes{1, 0, 0, 0, 2, 0, 0, 0, 0x89, 'P', 'N', 'G'});
    EXPECT_FALSE(ole::GetDragImage(damaged, image));
}

TEST_F(DropTargetTest, ADragOutsideEveryTargetLeavesTheImageAndScrollSwitchesOfLaterDrags) {
    TMemoryDataObject files;
    files.SetBytes(CF_HDROP, WriteDropFiles({"/d/1.hpt"}));
    uint32_t effect = DROPEFFECT_COPY;
    EXPECT_EQ(target.DragEnter(Shared(&files), 0, Screen(), effect), S_OK);  // no registered window
    EXPECT_EQ(target.Target(), nullptr);
    EXPECT_EQ(target.DragOver(0, Screen(), effect), E_UNEXPECTED);
    target.DragLeave();
    EXPECT_TRUE(target.ShowImage);
    EXPECT_TRUE(target.AutoScroll);
}

// A drag over that fails refuses the drop, whatever effect it computed.
TEST_F(DropTargetTest, AFailedDragOverRefusesTheQtDrop) {
    target.RegisterControl(&window);
    bool dropped = false;
    target.OnDragOver = [](TCustomDropTarget&, TShiftState, POINTL, uint32_t&) { throw std::runtime_error("x"); };
    target.OnDrop = [&](TCustomDropTarget&, TShiftState, POINTL, uint32_t&) { dropped = true; };
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/d/1.hpt")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &move);
    EXPECT_FALSE(move.isAccepted());
    EXPECT_EQ(move.dropAction(), Qt::IgnoreAction);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_FALSE(dropped);

    uint32_t effect = DROPEFFECT_COPY;
    TMemoryDataObject text;
    text.SetBytes(CF_UNICODETEXT, WriteWideText(u"x"));
    Enter(&text, effect);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(Over(effect), DV_E_CLIPFORMAT);
    EXPECT_EQ(effect, DROPEFFECT_COPY);  // computed, but the failure refuses it
}

TEST_F(DropTargetTest, APointerRestingNearTheEdgeScrollsAndAFastOneDoesNot) {
    QScrollArea area;
    area.resize(200, 200);
    auto* content = new QWidget;
    content->resize(180, 2000);
    area.setWidget(content);
    area.show();
    ASSERT_TRUE(area.verticalScrollBar()->isVisible());
    area.verticalScrollBar()->setValue(500);
    target.RegisterControl(&area);
    int64_t now = 1000;
    target.TickCount = [&] { return now; };
    const int oldDelay = DragDropScrollDelay;
    DragDropScrollDelay = 0;
    TMemoryDataObject files;
    files.SetBytes(CF_HDROP, WriteDropFiles({"/d/1.hpt"}));
    const QPoint nearBottom = area.mapToGlobal(QPoint(100, area.viewport()->height() - 2));
    auto send = [&](auto call) { return InWindow(call, &area); };
    uint32_t effect = DROPEFFECT_COPY;
    send([&] { return target.DragEnter(Shared(&files), 0, {nearBottom.x(), nearBottom.y()}, effect); });
    now += 100;
    effect = DROPEFFECT_COPY;
    send([&] { return target.DragOver(0, {nearBottom.x(), nearBottom.y()}, effect); });
    EXPECT_TRUE(effect & DROPEFFECT_SCROLL);
    EXPECT_TRUE(WaitFor([&] { return area.verticalScrollBar()->value() > 500; }, 2000));
    target.DragLeave();

    // Moving fast (100 pixels in 100 ms) scrolls nothing.
    area.verticalScrollBar()->setValue(500);
    const QPoint farAbove = area.mapToGlobal(QPoint(100, area.viewport()->height() - 102));
    effect = DROPEFFECT_COPY;
    send([&] { return target.DragEnter(Shared(&files), 0, {farAbove.x(), farAbove.y()}, effect); });
    now += 100;
    effect = DROPEFFECT_COPY;
    send([&] { return target.DragOver(0, {nearBottom.x(), nearBottom.y()}, effect); });
    kestrune::testing::Wait(50);
    EXPECT_EQ(area.verticalScrollBar()->value(), 500);
    target.DragLeave();
    DragDropScrollDelay = oldDelay;
}

}  // namespace
}  // namespace kestrune::dragdrop
