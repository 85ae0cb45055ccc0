#pragma once
// Dessin de ce que la puce fera avec le réglage obtenu : la broche en MLI, la rangée des tics
// d'une base de temps, ou les fronts comptés et l'interruption tous les N. Le dessin suit la
// taille du contrôle ; sa description accessible dit les mêmes chiffres en mots.
#include <QWidget>

class DessinSignal final : public QWidget {
    Q_OBJECT

public:
    explicit DessinSignal(QWidget* parent = nullptr);

    // Deux périodes de la broche, haute pendant rapport × période ; textes déjà mis en forme.
    void montrerMLI(double rapport, const QString& fréquence, const QString& rapportTexte, const QString& ton,
                    const QString& toff);
    // Une rangée de tics espacés de la période ; gigue non vide : la compensation fait varier un tic.
    void montrerTics(const QString& période, const QString& fréquence, const QString& gigue = {});
    // Fronts de l'entrée et, si n > 0, l'interruption au n-ième.
    void montrerCompteur(int n, bool montant);
    // Rien à dessiner : la raison est écrite à la place.
    void effacer(const QString& raison);

    QString description() const { return accessibleDescription(); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    enum class Genre { Rien, MLI, Tics, Compteur };
    void changer(Genre genre, const QString& description);

    Genre m_genre = Genre::Rien;
    double m_rapport = 0.5;
    int m_n = 0;
    bool m_montant = true;
    QStringList m_textes; // textes écrits sur le dessin, selon le genre
};
