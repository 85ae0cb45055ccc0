#pragma once
// L'assistante hors écran, sur une installation d'essai : ATmega8 à 16 MHz, ligne de commande.
#include "assistant/project/fenetres/FeuilleAssistante.h"
#include "common/Messages.h"
#include "noyau/EtatGlobal.h"
#include "noyau/ValeursMakefile.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsFenetres.h"

#include <QComboBox>
#include <QLineEdit>

class EssaiAssistante : public OutilsFenetres::EssaiFenetre<FeuilleAssistante> {
protected:
    EssaiAssistante() {
        for (const char* f : {"Configuration.xml", "image/ongletcourant.ico"})
            essai.copierConstruit(QString::fromUtf8(f));
        EtatGlobal& e = etatGlobal();
        e.Commande = QStringLiteral("assistante");
        e.FichierConfiguration = essai.installation() + QStringLiteral("/Configuration.xml");
        e.ImageFenêtreSkin.clear();
        e.AppelantAssistante = QStringLiteral("Ligne de commande");
        valeursMakefile().MicroContrôleur = QStringLiteral("ATmega8");
        valeursMakefile().FréquenceCPU = QStringLiteral("16000000");
    }

    QLineEdit* champ(const QString& nom) { return c<QLineEdit>(nom); }
    void taper(const QString& nom, const QString& texte, bool entrée = true) {
        OutilsFenetres::taper(champ(nom), texte, entrée);
    }
    void choisir(const QString& nom, int ligne) { OutilsFenetres::choisir(c<QComboBox>(nom), ligne); }

    EssaiConfiguration essai;
    EnregistreurMessages messages;
};
