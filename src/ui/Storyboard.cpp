#include "ui/Storyboard.h"

#include <map>

#include "core/Log.h"
#include "ui/NavigationController.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

namespace orvane {

namespace {

struct Segue {
    QString destination;
    Storyboard::SegueKind kind;
};

struct Registry {
    std::map<QString, Storyboard::SceneFactory> scenes;
    std::map<QString, QString> initialScenes;
    std::map<QString, Storyboard::CellFactory> cells;
    std::map<QString, Storyboard::ViewFactory> views;
    std::map<QString, Segue> segues;
};

Registry& registry() {
    static Registry r;
    return r;
}

template <typename Map, typename Value>
void put(Map& map, const QString& identifier, Value value, const char* what) {
    if (map.count(identifier))
        Log::info("Storyboard: replacing", what, identifier);
    map[identifier] = std::move(value);
}

} // namespace

void Storyboard::registerScene(const QString& identifier, SceneFactory factory) {
    put(registry().scenes, identifier, std::move(factory), "scene");
}

ViewController* Storyboard::instantiateViewController(const QString& identifier) {
    const auto& scenes = registry().scenes;
    auto it = scenes.find(identifier);
    ViewController* vc = it != scenes.end() && it->second ? it->second() : nullptr;
    if (!vc)
        Log::error("Storyboard: unknown scene identifier", identifier);
    return vc;
}

void Storyboard::setInitialScene(const QString& storyboardName, const QString& sceneIdentifier) {
    put(registry().initialScenes, storyboardName, sceneIdentifier, "initial scene of");
}

ViewController* Storyboard::instantiateInitialViewController(const QString& storyboardName) {
    const auto& initial = registry().initialScenes;
    auto it = initial.find(storyboardName);
    if (it == initial.end()) {
        Log::error("Storyboard: no initial scene for storyboard", storyboardName);
        return nullptr;
    }
    return instantiateViewController(it->second);
}

void Storyboard::registerCell(const QString& identifier, CellFactory factory) {
    put(registry().cells, identifier, std::move(factory), "cell");
}

TableViewCell* Storyboard::instantiateCell(const QString& identifier) {
    const auto& cells = registry().cells;
    auto it = cells.find(identifier);
    TableViewCell* cell = it != cells.end() && it->second ? it->second() : nullptr;
    if (!cell)
        Log::error("Storyboard: unknown cell identifier", identifier);
    return cell;
}

void Storyboard::registerView(const QString& identifier, ViewFactory factory) {
    put(registry().views, identifier, std::move(factory), "view");
}

QWidget* Storyboard::instantiateView(const QString& identifier, QWidget* parent) {
    const auto& views = registry().views;
    auto it = views.find(identifier);
    QWidget* view = it != views.end() && it->second ? it->second(parent) : nullptr;
    if (!view)
        Log::error("Storyboard: unknown view identifier", identifier);
    return view;
}

void Storyboard::registerSegue(const QString& identifier, const QString& destinationScene,
                               SegueKind kind) {
    put(registry().segues, identifier, Segue{destinationScene, kind}, "segue");
}

bool Storyboard::performSegue(const QString& identifier, ViewController* source,
                              const QVariant& sender) {
    if (!source) {
        Log::error("Storyboard performSegue: no source for segue", identifier);
        return false;
    }
    const auto& segues = registry().segues;
    auto it = segues.find(identifier);
    if (it == segues.end()) {
        Log::error("Storyboard: unknown segue identifier", identifier);
        return false;
    }
    const Segue segue = it->second;
    ViewController* destination = instantiateViewController(segue.destination);
    if (!destination)
        return false;
    StoryboardSegue info{identifier, source, destination};
    source->prepare(info, sender);
    NavigationController* nav = qobject_cast<NavigationController*>(source);
    if (!nav)
        nav = source->navigationController();
    if (segue.kind == SegueKind::Push && nav)
        nav->pushViewController(destination, true);
    else
        source->present(destination, true);
    return true;
}

bool Storyboard::hasCell(const QString& identifier) {
    return registry().cells.count(identifier) > 0;
}

bool Storyboard::hasScene(const QString& identifier) {
    return registry().scenes.count(identifier) > 0;
}

void Storyboard::clear() {
    registry() = Registry{};
}

} // namespace orvane
