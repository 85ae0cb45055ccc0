/*
 * Clignotant : fait clignoter une DEL une fois par seconde.
 *
 * Montage : la DEL, en série avec une résistance d'environ 330 ohms, va de la
 * broche PB0 à la masse. PB0 existe sur tous les AVR courants (ATmega8,
 * ATmega16, ATmega328P, ATtiny2313, ATtiny13, ATtiny85...), le programme se
 * compile donc tel quel pour chacun d'eux.
 *
 * La fréquence d'horloge F_CPU vient du makefile (-DF_CPU=...UL) : c'est
 * elle que <util/delay.h> utilise pour compter les cycles d'attente.
 */

#ifndef F_CPU
#error "F_CPU n'est pas défini : réglez la fréquence d'horloge dans le makefile."
#endif

#include <avr/io.h>
#include <util/delay.h>

/* Broche de la DEL : changer ces trois lignes suffit pour en prendre une autre. */
#define DEL_DDR DDRB
#define DEL_PORT PORTB
#define DEL_BIT PB0

/* Durée d'un état allumé ou éteint, en millisecondes. */
#define DEMI_PERIODE_MS 500

int main(void)
{
    DEL_DDR |= _BV(DEL_BIT); /* broche en sortie */

    for (;;) {
        DEL_PORT ^= _BV(DEL_BIT);
        _delay_ms(DEMI_PERIODE_MS);
    }
}
