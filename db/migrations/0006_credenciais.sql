-- Identidade dos operadores no servidor de aplicação.
--
-- SENHAOPERADOR guarda só o hash da senha (Argon2id com sal, na forma de texto do libsodium,
-- que leva o algoritmo, o custo e o sal). SESSAOOPERADOR guarda só o hash SHA-256 do token de
-- cada sessão aberta: quem lê a tabela não tem o token. TENTATIVALOGIN anota as entradas sem
-- sucesso do último minuto, por operador digitado (que pode não existir) e por endereço, para
-- limitar as seguintes em todos os servidores do mesmo banco.
-- Ficam fora do OPERADOR para que um papel do banco que lê os cadastros não as veja.

CREATE TABLE SENHAOPERADOR (
    CDOPERADOR      VARCHAR(12)  NOT NULL PRIMARY KEY REFERENCES OPERADOR (CDOPERADOR),
    DSHASHSENHA     VARCHAR(255) NOT NULL,
    DTALTSENHA      TIMESTAMP
);

CREATE TABLE SESSAOOPERADOR (
    CDHASHSESSAO    VARCHAR(64)  NOT NULL PRIMARY KEY,
    CDOPERADOR      VARCHAR(12)  NOT NULL REFERENCES OPERADOR (CDOPERADOR),
    DSENDERECO      VARCHAR(64),
    DTINICSESSAO    TIMESTAMP    NOT NULL,
    DTULTUSO        TIMESTAMP    NOT NULL
);
CREATE INDEX IX_SESSAOOPERADOR_OPERADOR ON SESSAOOPERADOR (CDOPERADOR);
CREATE INDEX IX_SESSAOOPERADOR_ULTUSO ON SESSAOOPERADOR (DTULTUSO);

CREATE TABLE TENTATIVALOGIN (
    CDOPERADOR      VARCHAR(12)  NOT NULL,
    DSENDERECO      VARCHAR(64)  NOT NULL,
    DTTENTATIVA     TIMESTAMP    NOT NULL
);
CREATE INDEX IX_TENTATIVALOGIN_OPERADOR ON TENTATIVALOGIN (CDOPERADOR, DTTENTATIVA);
CREATE INDEX IX_TENTATIVALOGIN_ENDERECO ON TENTATIVALOGIN (DSENDERECO, DTTENTATIVA);
