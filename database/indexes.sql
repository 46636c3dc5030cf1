-- Look-up indexes of the program's queries, made when a database is created and added to an
-- older file when it is opened. Text columns keep their NOCASE order, so "=" finds rows in any
-- case through them; the trim() indexes serve the reply interpretation, which compares
-- trimmed numbers. An index on one column alone yields the rows of one value in key order,
-- which is the order a query without ORDER BY showed before: lists keep their order.

-- The send queue (oldest day first), the delivery-report match and the queue views.
CREATE INDEX IF NOT EXISTS SMS_Sent_CMGS ON SMS_Sent (CMGS);

-- The rights of one key unit (user grid, tabs, registration) and one person's right there.
CREATE INDEX IF NOT EXISTS TBLbrukere_KeyNummer ON TBLbrukere (KeyNummer);
CREATE INDEX IF NOT EXISTS TBLbrukere_trim ON TBLbrukere (trim(KeyBruker), trim(KeyNummer));

-- The account tabs of a unit, from the index alone: no right's row is read.
CREATE INDEX IF NOT EXISTS TBLbrukere_unit_account ON TBLbrukere (KeyNummer, Konto);

CREATE INDEX IF NOT EXISTS NYEbrukere_KeyNummer ON NYEbrukere (KeyNummer);

CREATE INDEX IF NOT EXISTS Katalog_BrukerKort ON Katalog (BrukerKort);
CREATE INDEX IF NOT EXISTS Katalog_trim_BrukerKort ON Katalog (trim(BrukerKort));
CREATE INDEX IF NOT EXISTS Katalog_trim_Bruker ON Katalog (trim(Bruker));

-- What went out to a unit about one user, and that user's right there: a reply or a sent
-- command names the user by the digits after its country code, which these prefixes hold.
CREATE INDEX IF NOT EXISTS SMS_Sent_unit_text ON SMS_Sent (trim(TilNummer), substr(SMS_Text, 3, 16));
CREATE INDEX IF NOT EXISTS TBLbrukere_unit_user ON TBLbrukere (trim(KeyNummer), substr(trim(KeyBruker), 4));

-- A received SMS listed again (its deletion failed, or the program ended before it) is
-- found stored by its modem stamp and taken once.
CREATE INDEX IF NOT EXISTS SMS_Received_Dato ON SMS_Received (Dato);

-- A fetched log entry already stored is skipped.
CREATE INDEX IF NOT EXISTS LOGGData_Dato ON LOGGData (Dato);

-- One person's rights: the catalogue's recount and the queue's look-up of a person's right.
-- The unit is in the key so that the recount counts from the index alone, without a read of
-- each right's row; it replaces the index on KeyBruker alone that older files hold.
CREATE INDEX IF NOT EXISTS TBLbrukere_KeyBruker_KeyNummer ON TBLbrukere (KeyBruker, KeyNummer);
DROP INDEX IF EXISTS TBLbrukere_KeyBruker;
