/* What the last download of each controller stored while its event area could not be emptied:
   the area's base and top and the SHA-1 of its bytes. The next download of the same bytes stores
   only what follows them. */
CREATE TABLE BAIXA_CONTROLADORA (
  CONTROLADORA INTEGER NOT NULL PRIMARY KEY,
  BASE         INTEGER NOT NULL,
  TOPO         INTEGER NOT NULL,
  RESUMO       VARCHAR(40) NOT NULL,
  MOMENTO      TIMESTAMP
);
