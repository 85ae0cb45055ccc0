#pragma once
// Agit sur une fenêtre modale dès qu'elle s'ouvre : sa boucle d'évènements appelle l'action.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace OutilsFenetres {

template <class T> void quandModale(std::function<void(T*)> action) {
    QTimer::singleShot(0, [action] {
        auto* f = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr) << "aucune fenêtre modale du type attendu";
        action(f);
    });
}

} // namespace OutilsFenetres
