#include <memory>
#include <mutex>

#include "platform/win/DropApi.h"
#include "platform/win/HandleTable.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"

namespace plat::win {
namespace {

struct DropData {
    std::vector<std::string> files;
    Point point; // client coordinates of the receiving window
    bool inClient = false;
};

struct Drops {
    std::mutex mutex;
    HandleTable<DropData> table;
};

Drops& TheDrops() {
    static Drops* drops = new Drops();
    return *drops;
}

std::shared_ptr<DropData> Find(Hdrop drop) {
    auto& d = TheDrops();
    std::lock_guard lock(d.mutex);
    return d.table.Find(drop);
}

} // namespace

void DragAcceptFiles(Hwnd hwnd, bool accept) {
    const auto ex = static_cast<std::uint32_t>(GetWindowLongPtr(hwnd, GWL_EXSTYLE));
    SetWindowLongPtr(hwnd, GWL_EXSTYLE,
                     static_cast<LParam>(accept ? (ex | WS_EX_ACCEPTFILES) : (ex & ~WS_EX_ACCEPTFILES)));
}

std::uint32_t DragQueryFileCount(Hdrop drop) {
    auto data = Find(drop);
    return data ? static_cast<std::uint32_t>(data->files.size()) : 0;
}

std::string DragQueryFile(Hdrop drop, std::uint32_t index) {
    auto data = Find(drop);
    if (!data || index >= data->files.size()) return {};
    return data->files[index];
}

bool DragQueryPoint(Hdrop drop, Point* point) {
    auto data = Find(drop);
    if (!data) return false;
    if (point) *point = data->point;
    return data->inClient;
}

void DragFinish(Hdrop drop) {
    auto& d = TheDrops();
    std::lock_guard lock(d.mutex);
    d.table.Remove(drop);
}

bool InjectDropFiles(Point screen, const std::vector<std::string>& files) {
    Hwnd target = WindowFromPoint(screen);
    while (target && !(GetWindowLongPtr(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
        target = GetAncestor(target, GA_PARENT);
    if (!target) return false;
    auto data = std::make_shared<DropData>();
    data->files = files;
    data->point = screen;
    ScreenToClient(target, &data->point);
    Rect client;
    GetClientRect(target, &client);
    data->inClient = client.Contains(data->point);
    Hdrop drop;
    {
        auto& d = TheDrops();
        std::lock_guard lock(d.mutex);
        drop = d.table.Insert(data);
    }
    if (drop == 0) return false;
    if (!PostMessage(target, WM_DROPFILES, drop, 0)) {
        DragFinish(drop);
        return false;
    }
    return true;
}

} // namespace plat::win
