#pragma once
// Une commande par la procédure d'entrée ; geste reçoit la fenêtre T montrée et doit la fermer.
#include "app/ActionsFenetres.h"
#include "launcher/Principal.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace OutilsFenetres {

template <class T>
int actionEnFenêtre(const QString& ligne, const QString& dossierProgramme,
                    const std::function<void(T&)>& geste) {
    OublierActionsFenêtres();
    EnregistrerActionsFenêtres();
    bool fait = false;
    QTimer guetteur;
    QObject::connect(&guetteur, &QTimer::timeout, [&] {
        if (fait) return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<T*>(w); f && f->isVisible()) {
                fait = true;
                geste(*f);
                return;
            }
    });
    guetteur.start(10);
    const QString dossierCourant = QDir::currentPath();
    const int code = Principal(ligne, dossierProgramme);
    QDir::setCurrent(dossierCourant);
    EXPECT_TRUE(fait) << "fenêtre jamais montrée : " << ligne.toStdString();
    return code;
}

} // namespace OutilsFenetres
