-- Máscaras de códigos configuradas pela instalação, uma por tipo de máscara (2: conta
-- contábil). Sem linha para um tipo, os códigos desse tipo não têm máscara.
--
-- DSMASCARA tem a forma "PADRÃO;GRAVA_LITERAIS;BRANCO" das máscaras de edição: em
-- "9.9.9.9.9999;0;_" os pontos só aparecem na tela e o código é gravado só com dígitos;
-- com "1" no meio o código é gravado com os pontos.

CREATE TABLE MASCARA (
    CDTIPOMASCARA   INTEGER     NOT NULL PRIMARY KEY,
    NMMASCARA       VARCHAR(40),
    DSMASCARA       VARCHAR(40)
);
