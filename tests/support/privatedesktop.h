#pragma once
// A desktop of the test's own for the desktop opener: an X server on a free
// display (Xvfb picks it), a private home with its own XDG folders and no
// desktop session, so the opener finds only the browser the test registers.
// Nothing of the machine's own settings is read or changed.
//
// OnPrivateDesktop runs a piece of a test on that desktop as the program runs
// on a real one: the test program starts again, with only the current test,
// on the xcb platform of the private display (the tests otherwise run
// offscreen, where Qt opens no page at all), and runs the piece there.
#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <utility>

namespace hsa::test {

class PrivateDesktop {
public:
    enum class Browser {
        Hands, // records the address and ends at once, as a browser that hands it to its running window
        Stays, // records the address and keeps running, as a browser that starts anew
        Fails, // ends with status 1 without recording
    };
    // Registers a stand-in browser as the desktop's handler of http and https
    // addresses (a desktop file in the private data folder, the default in
    // the private "mimeapps.list"); a second call replaces the first.
    void registerBrowser(Browser kind) const;
    // Registers a stand-in program of that kind, named name, as the
    // desktop's handler of mimeTypes (for documents: what a word processor
    // or PDF viewer is); it replaces an earlier handler of the same types
    // and keeps those of other types.
    void registerHandler(Browser kind, const QString& name, const QStringList& mimeTypes) const;
    // The addresses (or file paths) the stand-ins were given, in order;
    // waits up to ten seconds for count of them.
    QStringList openedAddresses(int count = 0) const;
    // Ends stand-ins that stay.
    void endBrowsers() const;

private:
    friend void OnPrivateDesktop(const std::function<void(PrivateDesktop&)>& piece);
    explicit PrivateDesktop(const QString& home) : home_(home) {}
    QString path(const QString& name) const;
    QString home_;
};

// In the test program's own run: brings the private desktop up (the test
// skips, saying why, when Xvfb, the opener or Qt's xcb platform is missing),
// runs the current test again there and fails with the child's output when
// the child fails or does not run it.  In that child: runs piece.
void OnPrivateDesktop(const std::function<void(PrivateDesktop&)>& piece);

} // namespace hsa::test
