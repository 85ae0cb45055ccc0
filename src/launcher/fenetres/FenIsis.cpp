#include "launcher/fenetres/FenIsis.h"

#include "launcher/LancementOutils.h"
#include "noyau/EtatGlobal.h"
#include "ui/fenetres/ApplicationGraphique.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

FenIsis::FenIsis(const QString& dossier, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FenIsis"));
    setWindowTitle(QStringLiteral("Choisir le schéma"));
    setModal(true);

    Label1 =
        new QLabel(QStringLiteral("Il y a plusieurs schémas structurels dans votre répertoire. Veuillez en "
                                  "choisir un ou ouvrir ISIS vide."),
                   this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setToolTip(QStringLiteral("Hé ben clique si tu l'oses !"));
    File1->addItems(LancementOutils::ListerSchémas(dossier));
    // Une entrée est toujours choisie : « Ouvrir ce fichier » ouvre toujours un schéma.
    if (File1->count() > 0) File1->setCurrentRow(0);

    CBCeFichier = new QPushButton(QStringLiteral("Ouvrir ce fichier"), this);
    CBCeFichier->setObjectName(QStringLiteral("CBCeFichier"));
    CBCeFichier->setDefault(true);
    CBCeFichier->setEnabled(File1->currentItem() != nullptr);
    CBVide = new QPushButton(QStringLiteral("Ouvrir ISIS à vide."), this);
    CBVide->setObjectName(QStringLiteral("CBVide"));

    auto* boutons = new QHBoxLayout;
    boutons->addStretch();
    boutons->addWidget(CBCeFichier);
    boutons->addWidget(CBVide);
    auto* colonne = new QVBoxLayout(this);
    colonne->addWidget(Label1);
    colonne->addWidget(File1);
    colonne->addLayout(boutons);
    resize(420, 300);

    connect(CBCeFichier, &QPushButton::clicked, this, &FenIsis::ouvrirCeFichier);
    connect(CBVide, &QPushButton::clicked, this, &FenIsis::ouvrirVide);
    connect(File1, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* courant) { CBCeFichier->setEnabled(courant != nullptr); });
}

void FenIsis::ouvrirCeFichier() {
    const QListWidgetItem* choisi = File1->currentItem();
    if (!choisi) return;
    EtatGlobal& e = etatGlobal();
    e.ArgumentSimulateur = QStringLiteral(" \"") + choisi->text() + QStringLiteral("\"");
    e.LancerIsis = true;
    accept();
}

void FenIsis::ouvrirVide() {
    EtatGlobal& e = etatGlobal();
    e.ArgumentSimulateur.clear();
    e.LancerIsis = true;
    accept();
}

bool FenIsis::choisir(const QString& dossier) {
    if (!ApplicationGraphique::assurer()) return false;
    FenIsis fenêtre(dossier);
    fenêtre.exec();
    return true;
}
