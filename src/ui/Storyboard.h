#pragma once

#include <functional>

#include <QString>
#include <QVariant>

class QWidget;

namespace orvane {

class TableViewCell;
class ViewController;

// The registry that stands in for the mobile layout resources: scene, segue, cell and view
// identifiers ("OrvaneStoryboard", "CanReceiveBenefitsViewController", "DetailViewController",
// "tvc_camp", "CopyRightView", ...) map to the code that builds them. Screens register themselves
// at start-up; everything else asks by identifier. An unknown identifier is logged as an error and
// yields nullptr / false, never a crash. Registering an identifier again replaces the factory.
// Main thread only. Every instance returned is new and owned by the caller.
class Storyboard final {
public:
    using SceneFactory = std::function<ViewController*()>;
    using CellFactory = std::function<TableViewCell*()>;
    using ViewFactory = std::function<QWidget*(QWidget* parent)>;

    enum class SegueKind {
        Push,   // pushed on the source's navigation controller (presented when it has none)
        Present // presented full-window on the source
    };

    // Scenes by identifier.
    static void registerScene(const QString& identifier, SceneFactory factory);
    static ViewController* instantiateViewController(const QString& identifier);

    // The initial scene of a storyboard: the scene registered under `sceneIdentifier`.
    static void setInitialScene(const QString& storyboardName, const QString& sceneIdentifier);
    static ViewController* instantiateInitialViewController(const QString& storyboardName);

    // Table and collection cells by reuse identifier (the views' dequeueReusableCell falls back to
    // these).
    static void registerCell(const QString& identifier, CellFactory factory);
    static TableViewCell* instantiateCell(const QString& identifier);
    static bool hasCell(const QString& identifier);

    // View resources ("CopyRightView", "ItemScreenshotView").
    static void registerView(const QString& identifier, ViewFactory factory);
    static QWidget* instantiateView(const QString& identifier, QWidget* parent = nullptr);

    // Segues: `identifier` shows the scene `destinationScene`. performSegue() makes the
    // destination, calls source->prepare(segue, sender) and then pushes or presents it. False
    // (logged) for an unknown segue or scene, or a null source.
    static void registerSegue(const QString& identifier, const QString& destinationScene,
                              SegueKind kind = SegueKind::Push);
    static bool performSegue(const QString& identifier, ViewController* source,
                             const QVariant& sender = {});

    static bool hasScene(const QString& identifier);
    // Forgets every registration (tests).
    static void clear();
};

} // namespace orvane
