#include "ui/fenetres/APropos.h"

#include "common/Identite.h"
#include "common/Messages.h"
#include "noyau/EtatGlobal.h"
#include "noyau/Installation.h"
#include "noyau/OuvrirDocument.h"
#include "ui/DocumentRiche.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/KitFenetres.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Icône du programme : un circuit en boîtier DIP marqué d'un Q, dessiné à la taille voulue.
QPixmap imageProgramme(int taille, qreal ratio) {
    QPixmap image(QSize(taille, taille) * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal t = taille;
    QLinearGradient fond(0, 0, 0, t);
    fond.setColorAt(0, QColor(0x3A, 0x6E, 0xB5));
    fond.setColorAt(1, QColor(0x1C, 0x3D, 0x6E));
    p.setPen(Qt::NoPen);
    p.setBrush(fond);
    p.drawRoundedRect(QRectF(1, 1, t - 2, t - 2), t * 0.18, t * 0.18);

    // Boîtier et pattes.
    const QRectF boîtier(t * 0.30, t * 0.16, t * 0.40, t * 0.68);
    p.setBrush(QColor(0xE8, 0xEC, 0xF2));
    for (int i = 0; i < 4; ++i) {
        const qreal y = boîtier.top() + t * 0.08 + i * t * 0.15;
        p.drawRect(QRectF(boîtier.left() - t * 0.09, y, t * 0.09, t * 0.06));
        p.drawRect(QRectF(boîtier.right(), y, t * 0.09, t * 0.06));
    }
    p.setBrush(QColor(0x22, 0x26, 0x2E));
    p.drawRoundedRect(boîtier, t * 0.04, t * 0.04);
    p.setBrush(QColor(0x55, 0x5B, 0x66));
    p.drawEllipse(QPointF(boîtier.center().x(), boîtier.top()), t * 0.05, t * 0.05);

    QFont police(QStringLiteral("Sans Serif"));
    police.setBold(true);
    police.setPixelSize(int(t * 0.34));
    p.setFont(police);
    p.setPen(QColor(0xF2, 0xC1, 0x4E));
    p.drawText(boîtier, Qt::AlignCenter, QStringLiteral("Q"));
    return image;
}

// Historique intégré, montré quand le fichier manque.
ContenuRiche historiqueIntégré() {
    FormatCaractere normal;
    normal.police = QStringLiteral("Sans Serif");
    FormatCaractere titre = normal;
    titre.gras = true;
    ContenuRiche c;
    auto ajouter = [&c](const QString& t, const FormatCaractere& f) {
        c.segments.push_back({c.texte.size(), t.size(), f});
        c.texte += t;
    };
    ajouter(QStringLiteral("Version  2.0- 5 octobre 2005 -\r\n"), titre);
    ajouter(QStringLiteral("- Configuration du makefile dans une fenêtre.\r\n"
                           "- Lecture et écriture des fusibles par avrdude.\r\n"
                           "- Assistante de génération de code.\r\n\r\n"),
            normal);
    ajouter(QStringLiteral("Version ") + Identite::version() + QStringLiteral("\r\n"), titre);
    ajouter(QStringLiteral("L'historique détaillé se trouve dans le fichier Historique.rtf du dossier du "
                           "programme."),
            normal);
    return c;
}

QLabel* étiquette(QWidget* parent, const QString& nom, const QString& texte) {
    auto* l = new QLabel(texte, parent);
    l->setObjectName(nom);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    return l;
}

} // namespace

APropos::APropos(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("APropos"));
    setWindowTitle(QStringLiteral("À propos du changeur intelligent !"));

    auto* icône = new QLabel(this);
    icône->setObjectName(QStringLiteral("picIcon"));
    icône->setPixmap(imageProgramme(64, devicePixelRatioF()));
    icône->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    icône->setFixedWidth(80);

    auto* titre = étiquette(this, QStringLiteral("lblTitle"), QStringLiteral("Titre de l'application"));
    QFont grand = titre->font();
    grand.setBold(true);
    grand.setPointSizeF(grand.pointSizeF() * 1.6);
    titre->setFont(grand);
    auto* version = étiquette(this, QStringLiteral("lblVersion"), QStringLiteral("Version"));
    auto* description =
        étiquette(this, QStringLiteral("lblDescription"), QStringLiteral("Description de l'application"));
    auto* commentaire = étiquette(this, QStringLiteral("Label2"), QStringLiteral("Commentaire"));
    auto* avertissement =
        étiquette(this, QStringLiteral("lblDisclaimer"), QStringLiteral("Avertissement: ..."));
    m_contact = étiquette(this, QStringLiteral("Label1"),
                          QStringLiteral("Remarques, idées, erreurs : ") + Identite::adresseContact());
    m_contact->setCursor(Qt::PointingHandCursor);
    m_contact->setToolTip(QStringLiteral("Écrire un mèl"));
    m_contact->setStyleSheet(QStringLiteral("color: #1a4fa0; text-decoration: underline;"));
    m_contact->installEventFilter(this);

    m_historique = new DocumentRiche;
    m_historique->définirContenu(historiqueIntégré());
    m_vueHistorique = new VueDocumentRiche(this);
    m_vueHistorique->setObjectName(QStringLiteral("RTFHistorique"));
    m_vueHistorique->setReadOnly(true);
    m_vueHistorique->setMinimumHeight(220);
    m_vueHistorique->définirDocument(m_historique);
    m_vueHistorique->hide();

    auto* historique = Kit::bouton(QStringLiteral("Command1"), QStringLiteral("Historique"), this);
    connect(historique, &QAbstractButton::clicked, this, &APropos::chargerHistorique);
    auto* ok = Kit::bouton(QStringLiteral("cmdOK"), QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);

    auto* textes = new QVBoxLayout;
    textes->addWidget(titre);
    textes->addWidget(version);
    textes->addSpacing(6);
    textes->addWidget(description);
    textes->addWidget(commentaire);
    textes->addWidget(avertissement);
    textes->addSpacing(6);
    textes->addWidget(m_contact);
    textes->addStretch();
    auto* haut = new QHBoxLayout;
    haut->addWidget(icône);
    haut->addLayout(textes, 1);
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(historique);
    boutons->addStretch();
    boutons->addWidget(ok);
    auto* tout = new QVBoxLayout(this);
    tout->addLayout(haut);
    tout->addWidget(m_vueHistorique, 1);
    tout->addLayout(boutons);
    setMinimumWidth(460);

    // Chargement : titre, version et textes des informations du programme.
    setWindowTitle(QStringLiteral("À propos de ") + TitreApplication());
    version->setText(QStringLiteral("Version ") + Identite::version());
    titre->setText(TitreApplication());
    avertissement->setText(Identite::mentionLégale());
    avertissement->setVisible(!Identite::mentionLégale().isEmpty());
    commentaire->setText(Identite::descriptionFichier());
    // Sans fichier de réglages connu (erreur très précoce), les boutons gardent leurs sons.
    if (!etatGlobal().FichierParamètres.isEmpty()) AppliquerSilence(this);
}

APropos::~APropos() {
    // La vue ne doit plus lire le document une fois celui-ci détruit.
    m_vueHistorique->définirDocument(nullptr);
    delete m_historique;
}

QString APropos::cheminHistorique() {
    QString dossier = etatGlobal().DossierInstallation;
    if (dossier.isEmpty()) dossier = Installation::depuis(QCoreApplication::applicationDirPath()).données;
    return QDir(dossier).filePath(QStringLiteral("Historique.rtf"));
}

void APropos::chargerHistorique() {
    const QString chemin = cheminHistorique();
    QString erreur;
    if (!QFileInfo(chemin).isFile()) {
        m_historique->définirContenu(historiqueIntégré());
        afficherMessage(QStringLiteral("Le fichier de l'historique des versions est introuvable :\r\n« ") +
                            QDir::toNativeSeparators(chemin) +
                            QStringLiteral(" »\r\n\r\nL'historique résumé intégré au programme est affiché à "
                                           "la place."),
                        IconeMessage::Information);
    } else if (!m_historique->charger(chemin, &erreur)) {
        m_historique->définirContenu(historiqueIntégré());
        afficherMessage(
            QStringLiteral("Le fichier de l'historique des versions ne peut pas être lu :\r\n« ") +
                QDir::toNativeSeparators(chemin) + QStringLiteral(" »\r\n") + erreur +
                QStringLiteral("\r\n\r\nL'historique résumé intégré au programme est affiché à la "
                               "place."),
            IconeMessage::Information);
    }
    m_historique->sélectionner(0, 0);
    m_vueHistorique->rafraîchir();
    if (!m_vueHistorique->isVisible()) {
        m_vueHistorique->show();
        resize(width(), std::max(height(), sizeHint().height()));
    }
}

bool APropos::eventFilter(QObject* objet, QEvent* e) {
    if (objet == m_contact && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        Ouverture::écrireCourriel(Ouverture::sujetAPropos());
        return true;
    }
    return QDialog::eventFilter(objet, e);
}
