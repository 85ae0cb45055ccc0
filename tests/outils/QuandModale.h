#pragma once
// Agit sur une fenêtre modale dès qu'elle s'ouvre : sa boucle d'évènements appelle l'action.
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace OutilsFenetres {

template <class T> void quandModale(std::function<void(T*)> action) {
    QTimer::singleShot(0, [action] {
        const QPointer<QWidget> modale = QApplication::activeModalWidget();
        if (auto* f = qobject_cast<T*>(modale.data()))
            action(f);
        else
            ADD_FAILURE() << "aucune fenêtre modale du type attendu";
        // Après un échec, la fenêtre laissée ouverte bloquerait le test : il échoue tout de suite.
        if (::testing::Test::HasFailure() && modale && modale->isVisible()) modale->close();
    });
}

} // namespace OutilsFenetres
