-- Histórico por localização: as transferências que chegaram a uma localização ou saíram dela
-- e os bens que estavam nela num dia, lidos pela empresa e filial (e pelo centro de custo e
-- setor, quando informados) sem percorrer as tabelas inteiras.

-- Destino e origem de cada transferência.
CREATE INDEX IX_ITCAPAOPERABEM_DESTINO ON ITCAPAOPERABEM
    (CDEMPRESA, CDFILIALITCNOVO, CDCENTCUITCNOVO, CDSETORITCNOVO);
CREATE INDEX IX_ITCAPAOPERABEM_ORIGEM ON ITCAPAOPERABEM
    (CDEMPRESA, CDFILIALITCANTE, CDCENTCUITCANTE, CDSETORITCANTE);

-- A localização atual do bem por inteiro; o índice antigo (empresa, filial) é o começo deste.
DROP INDEX IX_BEMATIVO_FILIAL;
CREATE INDEX IX_BEMATIVO_LOCAL ON BEMATIVO (CDEMPRESA, CDFILIAL, CDCENTCUST, CDSETOR);
