#pragma once
// Outils des tests de fenêtres : un contrôle trouvé par son nom d'objet.
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace OutilsFenetres {

// Le contrôle nommé de la fenêtre ; un échec du test s'il manque.
template <class T = QWidget> T* enfant(const QWidget* fenêtre, const QString& nom) {
    T* e = fenêtre ? fenêtre->findChild<T*>(nom) : nullptr;
    EXPECT_NE(e, nullptr) << nom.toStdString();
    return e;
}

} // namespace OutilsFenetres
