#include "ui/fenetres/FErreur.h"

#include "common/Identite.h"
#include "common/Messages.h"
#include "noyau/EtatGlobal.h"
#include "noyau/OuvrirDocument.h"
#include "ui/fenetres/ApplicationGraphique.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/KitFenetres.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>

FErreur::FErreur(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FErreur"));
    setWindowTitle(QStringLiteral("Pas de bol Bidule."));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* icône = new QLabel(this);
    icône->setObjectName(QStringLiteral("ImageErreur"));
    icône->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this).pixmap(40, 40));
    icône->setAlignment(Qt::AlignTop);

    auto* label1 = new QLabel(
        QStringLiteral(
            "Une p... d'erreur à la c... vient de se produire. En plus elle est non répertoriée. Merci "
            "de m'envoyer un petit mèl en me disant comment elle s'est produite. Indiquez aussi ceci :"),
        this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setWordWrap(true);

    auto* erreur = new QLabel(QStringLiteral("Erreur non répertoriée."), this);
    erreur->setObjectName(QStringLiteral("TErreur"));
    erreur->setWordWrap(true);
    erreur->setTextFormat(Qt::PlainText);
    erreur->setTextInteractionFlags(Qt::TextSelectableByMouse);
    erreur->setFrameShape(QFrame::StyledPanel);
    erreur->setMargin(6);
    erreur->setMinimumHeight(48);
    erreur->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    erreur->setStyleSheet(QStringLiteral("QLabel#TErreur { background: white; color: #8b0000; }"));

    m_adresse = new QLabel(Identite::adresseContact(), this);
    m_adresse->setObjectName(QStringLiteral("Label2"));
    m_adresse->setTextFormat(Qt::PlainText);
    m_adresse->setCursor(Qt::PointingHandCursor);
    m_adresse->setToolTip(QStringLiteral("Écrire le mèl"));
    QFont lien = m_adresse->font();
    lien.setUnderline(true);
    m_adresse->setFont(lien);
    m_adresse->setStyleSheet(QStringLiteral("color: #1a4fa0;"));
    m_adresse->installEventFilter(this);

    auto* fermer = Kit::bouton(QStringLiteral("CBFermer"), QStringLiteral("Fermer"), this);
    fermer->setDefault(true);
    connect(fermer, &QAbstractButton::clicked, this, &QDialog::accept);

    auto* texte = new QVBoxLayout;
    texte->addWidget(label1);
    texte->addWidget(erreur, 1);
    texte->addWidget(m_adresse);
    auto* haut = new QHBoxLayout;
    haut->addWidget(icône);
    haut->addLayout(texte, 1);
    auto* bas = new QHBoxLayout;
    bas->addStretch();
    bas->addWidget(fermer);
    auto* tout = new QVBoxLayout(this);
    tout->addLayout(haut, 1);
    tout->addLayout(bas);
    setMinimumWidth(440);

    // Chargement : la description laissée par le gestionnaire d'erreur (vide s'il n'en a pas mis).
    erreur->setText(etatGlobal().DescriptionErreur);
    // Sans fichier de réglages connu (erreur très précoce), les boutons gardent leurs sons.
    if (!etatGlobal().FichierParamètres.isEmpty()) AppliquerSilence(this);
}

bool FErreur::eventFilter(QObject* objet, QEvent* e) {
    if (objet == m_adresse && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        Ouverture::écrireCourriel(Ouverture::sujetErreurNonRépertoriée());
        return true;
    }
    return QDialog::eventFilter(objet, e);
}

void FErreur::afficherErreurNonRépertoriée(const QString& description) {
    if (!ApplicationGraphique::assurer()) {
        // Pas d'affichage : le texte part par le service de messages (sortie d'erreur).
        afficherMessage(QStringLiteral("Erreur non répertoriée : ") + description + QStringLiteral("\r\n") +
                            QStringLiteral("Merci de la signaler à ") + Identite::adresseContact() +
                            QStringLiteral(" en indiquant comment elle s'est produite."),
                        IconeMessage::Critique);
        return;
    }
    auto* fenêtre = new FErreur(QApplication::activeWindow());
    fenêtre->setAttribute(Qt::WA_DeleteOnClose);
    // Sans boucle d'évènements, une fenêtre non modale disparaîtrait aussitôt avec le programme.
    if (QThread::currentThread()->loopLevel() == 0)
        fenêtre->exec();
    else
        fenêtre->show();
}
