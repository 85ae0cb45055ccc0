#pragma once
// Bulle d'aide : fenêtre sans cadre en forme de bulle de bande dessinée, avec une pointe vers le
// contrôle ou le point visé, un titre, un texte, une icône et une croix de fermeture. Elle se cache
// d'elle-même au clic et au bout de sa durée d'affichage, en le signalant.
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

class InfoBulle final : public QWidget {
    Q_OBJECT

public:
    enum class Icône { Aucune, Information, Avertissement, Erreur };

    // parent : la fenêtre qui porte la bulle (la bulle est détruite avec elle).
    explicit InfoBulle(QWidget* parent = nullptr);

    void définirTitre(const QString& titre);
    QString titre() const { return m_titre; }
    void définirTexte(const QString& texte);
    QString texte() const { return m_texte; }
    void définirIcône(Icône icône);
    Icône icône() const { return m_icône; }

    // Durée d'affichage en millisecondes (3000 par défaut) ; 0 ou moins : jusqu'au clic.
    void définirShowingTime(int ms) { m_durée = ms; }
    int ShowingTime() const { return m_durée; }

    // Marche/arrêt : à l'arrêt, afficher() ne montre rien (et une bulle visible se cache).
    void définirMarcheArret(bool marche);
    bool MarcheArret() const { return m_marche; }

    // Largeur de la bulle, en pixels ou en twips (convertis selon la résolution logique de l'écran).
    void définirLargeur(int pixels);
    void définirLargeurTwips(int twips);
    int largeur() const { return m_largeur; }

    // Position : la pointe vise le bas (ou le haut, faute de place dessous) du milieu du contrôle,
    // ou un point de l'écran.
    void définirPosBulle(QWidget* cible);
    void définirPosBulle(const QPoint& pointGlobal);

    // Montre la bulle et lance le compte de sa durée ; faux (rien de montré) à l'arrêt.
    bool afficher();
    // Raccourci : texte, cible, puis afficher().
    bool afficher(QWidget* cible, const QString& texte);
    void masquer();
    bool estAffichée() const { return isVisible(); }

    // Pointe dirigée vers le bas (bulle au-dessus de la cible) après le dernier placement.
    bool pointeEnBas() const { return m_pointeEnBas; }

signals:
    // Un clic sur la bulle (ou sur sa croix) : elle vient de se cacher.
    void cliquee();
    // Sa durée d'affichage est écoulée : elle vient de se cacher.
    void tempsEcoule();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void mettreEnPage();
    void placer();
    QRect zoneCroix() const;
    QRect zoneCorps() const;

    QString m_titre;
    QString m_texte;
    Icône m_icône = Icône::Information;
    int m_durée = 3000;
    bool m_marche = true;
    int m_largeur = 250;
    QPointer<QWidget> m_cible;
    QPoint m_point;
    bool m_pointeEnBas = false;
    int m_decalagePointe = 24; // abscisse de la pointe dans la bulle
    bool m_survolCroix = false;
    QTimer m_minuterie;
};
