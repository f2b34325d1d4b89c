#include "Cli_zmt02602/CadAutoQueries.h"

namespace zmt02602 {

namespace {

void Field(orv::TADOIBQuery& q, const char* name, orv::FieldType type, int size, const char* label = "",
           int width = 0, bool visible = true) {
    orv::FieldDef d;
    d.name = QString::fromLatin1(name);
    d.type = type;
    d.size = size;
    d.label = QString::fromUtf8(label);
    d.displayWidth = width;
    d.visible = visible;
    q.AddField(d);
}

constexpr auto S = orv::FieldType::String;
constexpr auto F = orv::FieldType::Float;

}  // namespace

void DeclareQryPesqGrupoBem(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDEMPRESA||CDGRUPOBEM AS CHAVE, CDGRUPOBEM, NMGRUPOBEM, QTMESDEPREGRBEM, IDDEPRECIAGRBEM, "
             "IDDEPRECIAFISC, QTMESDEPREFISC",
             "  FROM GRUPOBEM", " WHERE CDEMPRESA = :P_CDEMPRESA", " ORDER BY CDGRUPOBEM"};
    Field(q, "CHAVE", S, 8, "", 0, false);
    Field(q, "CDGRUPOBEM", S, 6, "Código", 8);
    Field(q, "NMGRUPOBEM", S, 50, "Nome");
    Field(q, "QTMESDEPREGRBEM", F, 0, "Vida Útil", 0, false);
    Field(q, "IDDEPRECIAGRBEM", S, 1, "", 0, false);
    Field(q, "IDDEPRECIAFISC", S, 20, "", 0, false);
    Field(q, "QTMESDEPREFISC", F, 0, "", 0, false);
}

void DeclareQryBem(orv::TADOIBQuery& q) {
    // The generic text is empty: SQLite runs the Oracle text; PostgreSQL has STRPOS for INSTR.
    q.SQL_ORACLE = {"SELECT ''  AS IDMARCADO, CDPATRIBEMATIVO, NMBEMATIVO, CDBEMATIVO", "FROM BEMATIVO",
                    "WHERE CDEMPRESA = :P_CDEMPRESA",
                    "  AND ((INSTR(:P_CDGRUPOS, CDGRUPOBEM) <> 0) OR (:P_CDGRUPOS = 'T'))",
                    "  AND ((INSTR(:P_CDFILIAL, CDFILIAL) <> 0) OR (:P_CDFILIAL = 'T'))", "  AND QTATUABEMATIVO <> 0",
                    "ORDER BY CDPATRIBEMATIVO"};
    q.SQL_IB = {"SELECT ''  AS IDMARCADO, CDPATRIBEMATIVO, NMBEMATIVO, CDBEMATIVO",
                "FROM BEMATIVO,PARAM(:P_CDEMPRESA) P_CDEMPRESA,PARAM(:P_CDGRUPOS) P_CDGRUPOS,PARAM(:P_CDFILIAL) P_CDFILIAL",
                "WHERE CDEMPRESA = P_CDEMPRESA.PARAM  AND",
                "   ((INSTR(P_CDGRUPOS.PARAM, CDGRUPOBEM) <> 0) OR (P_CDGRUPOS.PARAM = 'T')) AND",
                "   ((INSTR(P_CDFILIAL.PARAM, CDFILIAL) <> 0) OR (P_CDFILIAL.PARAM = 'T'))   AND",
                "   QTATUABEMATIVO <> 0", "ORDER BY CDPATRIBEMATIVO"};
    q.SQL_PG = {"SELECT ''  AS IDMARCADO, CDPATRIBEMATIVO, NMBEMATIVO, CDBEMATIVO", "FROM BEMATIVO",
                "WHERE CDEMPRESA = :P_CDEMPRESA",
                "  AND ((STRPOS(:P_CDGRUPOS, CDGRUPOBEM) <> 0) OR (:P_CDGRUPOS = 'T'))",
                "  AND ((STRPOS(:P_CDFILIAL, CDFILIAL) <> 0) OR (:P_CDFILIAL = 'T'))", "  AND QTATUABEMATIVO <> 0",
                "ORDER BY CDPATRIBEMATIVO"};
    Field(q, "IDMARCADO", S, 1, "", 0, true);
    Field(q, "CDPATRIBEMATIVO", S, 20, "Código do Patrimônio");
    Field(q, "NMBEMATIVO", S, 40, "Nome", 40);
    Field(q, "CDBEMATIVO", S, 10, "", 0, false);
}

void DeclareQryFilial(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT ''  AS IDMARCADO, CDFILIAL, NMFILIAL", "FROM FILIAL", "WHERE CDEMPRESA = :P_CDEMPRESA",
             "  AND ((INSTR(:P_CDFILIAL, CDFILIAL) <> 0) OR (:P_CDFILIAL = 'T'))", "ORDER BY CDFILIAL"};
    q.SQL_IB = {"SELECT ''  AS IDMARCADO, CDFILIAL, NMFILIAL", "FROM FILIAL,", "PARAM(:P_CDEMPRESA) CDEMPRESA,",
                "PARAM(:P_CDFILIAL) CDFILIAL", "WHERE CDEMPRESA = CDEMPRESA.PARAM",
                "  AND ((INSTR(CDFILIAL.PARAM, CDFILIAL) <> 0) OR (CDFILIAL.PARAM = 'T'))", "ORDER BY CDFILIAL"};
    q.SQL_PG = {"SELECT ''  AS IDMARCADO, CDFILIAL, NMFILIAL", "FROM FILIAL", "WHERE CDEMPRESA = :P_CDEMPRESA",
                "  AND ((STRPOS(:P_CDFILIAL, CDFILIAL) <> 0) OR (:P_CDFILIAL = 'T'))", "ORDER BY CDFILIAL"};
    Field(q, "IDMARCADO", S, 1, "", 0, true);
    Field(q, "CDFILIAL", S, 4, "Código");
    Field(q, "NMFILIAL", S, 200, "Nome");
}

void DeclareQryBensListados(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDBEMATIVO, QTATUABEMATIVO, CDGRUPOBEM, QTMESDEPBEM,VRTAXANODEPBEM, VRFALTADEPBEM,CDTIPODEPREC,"
             "VRAQUIBEMATIVO, VRINIDEPBEM ,CDFILIAL",
             "FROM BEMATIVO", "WHERE CDEMPRESA = :P_CDEMPRESA",
             "  AND ((INSTR(:P_CDGRUPOS, CDGRUPOBEM) <> 0) OR (:P_CDGRUPOS = 'T'))",
             "  AND ((INSTR(:P_CDBEMATIVO, CDBEMATIVO) <> 0) OR (:P_CDBEMATIVO = 'T'))",
             "  AND ((INSTR(:P_CDFILIAL, CDFILIAL) <> 0) OR (:P_CDFILIAL = 'T'))", "ORDER BY CDBEMATIVO"};
    q.SQL_IB = {"SELECT CDBEMATIVO, QTATUABEMATIVO, CDGRUPOBEM, QTMESDEPBEM,VRTAXANODEPBEM, VRFALTADEPBEM,CDTIPODEPREC, "
                "VRAQUIBEMATIVO,VRINIDEPBEM, CDFILIAL",
                "FROM BEMATIVO,", "PARAM(:P_CDEMPRESA) CDEMPRESA,", "PARAM(:P_CDGRUPOS) CDGRUPOS,",
                "PARAM(:P_CDFILIAL) CDFILIAL,", "PARAM(:P_CDBEMATIVO) CDBEMATIVO", "WHERE CDEMPRESA = CDEMPRESA.PARAM",
                "  AND ((INSTR(CDGRUPOS.PARAM, CDGRUPOBEM) <> 0) OR (CDGRUPOS.PARAM = 'T'))",
                "  AND ((INSTR(CDFILIAL.PARAM, CDFILIAL) <> 0) OR (CDFILIAL.PARAM = 'T'))",
                "  AND ((INSTR(CDBEMATIVO.PARAM, CDBEMATIVO) <> 0) OR (CDBEMATIVO.PARAM = 'T'))",
                "ORDER BY CDPATRIBEMATIVO"};
    q.SQL_PG = {"SELECT CDBEMATIVO, QTATUABEMATIVO, CDGRUPOBEM, QTMESDEPBEM,VRTAXANODEPBEM, VRFALTADEPBEM,CDTIPODEPREC,"
                "VRAQUIBEMATIVO, VRINIDEPBEM ,CDFILIAL",
                "FROM BEMATIVO", "WHERE CDEMPRESA = :P_CDEMPRESA",
                "  AND ((STRPOS(:P_CDGRUPOS, CDGRUPOBEM) <> 0) OR (:P_CDGRUPOS = 'T'))",
                "  AND ((STRPOS(:P_CDBEMATIVO, CDBEMATIVO) <> 0) OR (:P_CDBEMATIVO = 'T'))",
                "  AND ((STRPOS(:P_CDFILIAL, CDFILIAL) <> 0) OR (:P_CDFILIAL = 'T'))", "ORDER BY CDBEMATIVO"};
    Field(q, "CDBEMATIVO", S, 10);
    Field(q, "QTATUABEMATIVO", F, 0);
    Field(q, "CDGRUPOBEM", S, 6);
    Field(q, "QTMESDEPBEM", F, 0);
    Field(q, "VRTAXANODEPBEM", F, 0);
    Field(q, "VRFALTADEPBEM", F, 0);
    Field(q, "CDTIPODEPREC", S, 20);
    Field(q, "VRAQUIBEMATIVO", F, 0);
    Field(q, "VRINIDEPBEM", F, 0);
    Field(q, "CDFILIAL", S, 4);
}

}  // namespace zmt02602
