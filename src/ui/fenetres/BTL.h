#pragma once
// Bouton dessiné de l'application : dégradé arrondi, icône facultative à gauche du texte, son au
// survol et au clic. Il se comporte au clavier comme un QPushButton (espace, Entrée par défaut).
#include <QColor>
#include <QPushButton>
#include <QString>

class QPainter;

// Joue un fichier son sans attendre ; les tests en installent un qui compte.
class LecteurSons {
public:
    virtual ~LecteurSons() = default;
    virtual void jouer(const QString& cheminFichier) = 0;
};

class BTL final : public QPushButton {
    Q_OBJECT
    // Noms des fichiers son (dans le dossier de l'apparence, ou chemins complets).
    Q_PROPERTY(QString SonOnMouseOver MEMBER m_sonSurvol)
    Q_PROPERTY(QString SonOnClick MEMBER m_sonClic)
    // Vrai : ni son de survol ni son de clic.
    Q_PROPERTY(bool SonSilence MEMBER m_silence)

public:
    explicit BTL(QWidget* parent = nullptr);
    explicit BTL(const QString& texte, QWidget* parent = nullptr);

    QString SonOnMouseOver() const { return m_sonSurvol; }
    void définirSonOnMouseOver(const QString& nom) { m_sonSurvol = nom; }
    QString SonOnClick() const { return m_sonClic; }
    void définirSonOnClick(const QString& nom) { m_sonClic = nom; }
    bool SonSilence() const { return m_silence; }
    void définirSonSilence(bool silence) { m_silence = silence; }

    // Couleur du fond (le dégradé en dérive) et du texte ; invalide : celles de l'apparence.
    void définirCouleurFond(const QColor& couleur);
    QColor couleurFond() const { return m_fond; }
    void définirCouleurTexte(const QColor& couleur);
    QColor couleurTexte() const { return m_texte; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Chemin du fichier son : un chemin complet tel quel ; un nom seul dans le dossier de
    // l'apparence (RépertoireSkin), sinon dans le premier dossier de Skin/ qui l'a. Vide si
    // le fichier n'existe nulle part.
    static QString cheminSon(const QString& nom);

    // Lecteur de tous les boutons : par défaut QSoundEffect (muet sans sortie audio) ; nullptr
    // rétablit celui-là. Le lecteur installé n'est pas possédé.
    static void installerLecteurSons(LecteurSons* lecteur);
    static LecteurSons& lecteurSons();

protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void initialiser();
    void dessinerContenu(QPainter& p, bool actif, bool enfoncé);
    void jouer(const QString& nom) const;

    QString m_sonSurvol = QStringLiteral("OverDefaut.wav");
    QString m_sonClic = QStringLiteral("ClickDefaut.wav");
    bool m_silence = false;
    bool m_survol = false;
    QColor m_fond;
    QColor m_texte;
};

// Applique le réglage « Silence » à chaque bouton dessiné de la fenêtre, dans l'ordre des contrôles.
void AppliquerSilence(QObject* fenêtre);
// Même chose avec un texte de réglage déjà lu.
void AppliquerSilence(QObject* fenêtre, const QString& texteSilence);
