#include "scripted_session.h"

#include "window_system/dialog_manager/dialog_manager.h"

#include <cstring>

// The front end the program's modal loops wait on: steps from the test instead of keys.
class ScriptedSession::Driver : public FrontEnd {
public:
    explicit Driver(ScriptedSession& session) : session(session) {}

    std::int64_t now() override { return session.clock; }

    int waitForKey(std::int64_t) override {
        std::function<void()> action;
        {
            std::unique_lock lock(session.mutex);
            if (session.abandoning) {
                // As a user would leave: Cancel on each dialog, so each cleans up after itself.
                lock.unlock();
                HWND dialog = activeDialog();
                SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                if (liveWindow(dialog) != nullptr && !dialog->ended) EndDialog(dialog, IDCANCEL);
                return KeyNone;
            }
            session.settled = session.queued - session.pending.size();
            ++session.waits;
            session.changed.notify_all();
            session.changed.wait(lock, [this] { return !session.pending.empty(); });
            action = std::move(session.pending.front());
            session.pending.pop_front();
        }
        action();
        return KeyNone;
    }

    bool openDocument(const char* posixPath) override {
        session.document = posixPath;
        return true;
    }

private:
    ScriptedSession& session;
};

namespace {
void resetDialogManager() {
    DialogManager& manager = dialogManager();
    manager.windows.clear();
    manager.timers.clear();
    manager.queue.clear();
    manager.windowClass = WNDCLASSA{};
    manager.className.clear();
}
}  // namespace

ScriptedSession::ScriptedSession(std::function<int()> program) : driver(new Driver(*this)) {
    resetDialogManager();
    setFrontEnd(driver);
    programThread = std::thread([this, program] {
        const int exit = program();
        std::lock_guard lock(mutex);
        result = exit;
        done = true;
        changed.notify_all();
    });
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return done || waits > 0; });
}

ScriptedSession::~ScriptedSession() {
    {
        std::lock_guard lock(mutex);
        abandoning = true;
        if (!done) {
            pending.push_back([] {});
            ++queued;
        }
        changed.notify_all();
    }
    programThread.join();
    setFrontEnd(nullptr);
    resetDialogManager();
    delete driver;
}

void ScriptedSession::step(std::function<void()> action) {
    std::unique_lock lock(mutex);
    if (done) return;
    pending.push_back(std::move(action));
    const std::uint64_t mine = ++queued;
    changed.notify_all();
    changed.wait(lock, [this, mine] { return done || settled >= mine; });
}

HWND ScriptedSession::dialog(const char* caption) {
    HWND found = nullptr;
    step([&] {
        for (HWND dialog : openDialogs())
            if (std::strcmp(dialog->text, caption) == 0) found = dialog;
    });
    return found;
}

std::string ScriptedSession::activeCaption() {
    std::string caption;
    step([&] {
        if (HWND dialog = activeDialog()) caption = dialog->text;
    });
    return caption;
}

void ScriptedSession::setText(HWND dialog, int controlId, const char* text) {
    step([=] { SetDlgItemTextA(dialog, controlId, text); });
}

void ScriptedSession::press(HWND dialog, int controlId) {
    step([=] { SendMessageA(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0); });
}

void ScriptedSession::key(int key) {
    step([=] {
        if (HWND dialog = activeDialog()) handleDialogKey(dialog, key);
    });
}

void ScriptedSession::type(const char* text) {
    for (const char* at = text; *at != '\0'; ++at) key(static_cast<unsigned char>(*at));
}

void ScriptedSession::tick(int count) {
    for (int i = 0; i < count; ++i) step([this] { clock += 10; });
}

std::string ScriptedSession::text(HWND dialog, int controlId) {
    std::string value;
    step([&] {
        if (HWND control = GetDlgItem(dialog, controlId)) value = control->text;
    });
    return value;
}

bool ScriptedSession::enabled(HWND dialog, int controlId) {
    bool value = false;
    step([&] { value = IsWindowEnabled(GetDlgItem(dialog, controlId)) != FALSE; });
    return value;
}

bool ScriptedSession::checked(HWND dialog, int controlId) {
    bool value = false;
    step([&] { value = IsDlgButtonChecked(dialog, controlId) == BST_CHECKED; });
    return value;
}

int ScriptedSession::progress(HWND dialog, int controlId) {
    int value = -1;
    step([&] { value = static_cast<int>(SendDlgItemMessageA(dialog, controlId, PBM_GETPOS, 0, 0)); });
    return value;
}

std::vector<std::string> ScriptedSession::lines(HWND dialog, int controlId) {
    std::vector<std::string> value;
    step([&] {
        if (HWND control = GetDlgItem(dialog, controlId)) value = control->lines;
    });
    return value;
}

int ScriptedSession::focusId() {
    int value = 0;
    step([&] {
        if (HWND focus = GetFocus()) value = focus->id;
    });
    return value;
}

std::string ScriptedSession::openedDocument() {
    std::string value;
    step([&] { value = document; });
    return value;
}

bool ScriptedSession::finished() {
    std::lock_guard lock(mutex);
    return done;
}

int ScriptedSession::exitCode() {
    std::lock_guard lock(mutex);
    return result;
}
