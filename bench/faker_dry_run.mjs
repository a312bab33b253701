// The dry-run baseline: @faker-js/faker makes the person profile's fields
// (a counter, forename, middle name, surname, title, gender, marital status,
// street address, town, county, post code, e-mail, date of birth) and writes
// one INSERT text per record, as a user might script it instead.
//
// Usage: node faker_dry_run.mjs RECORDS   (faker resolved from the working folder)
// Prints: records seconds
import { faker } from '@faker-js/faker';
import { openSync, writeSync } from 'node:fs';

const records = Number(process.argv[2] ?? 100000);
faker.seed(1);
const out = openSync('/dev/null', 'w');
const head = 'Insert into person (id,forename,middlename,surname,title,gender,marital_status,' +
  'address,town,county,post_code,email,date_of_birth) Values (';
const quote = (s) => "'" + String(s).replaceAll("'", "''") + "'";
const started = process.hrtime.bigint();
let chunk = [];
for (let id = 1; id <= records; ++id) {
  const sex = faker.person.sexType();
  const forename = faker.person.firstName(sex);
  const surname = faker.person.lastName();
  const values = [
    id, quote(forename), quote(faker.datatype.boolean() ? faker.person.middleName(sex) : ''),
    quote(surname), quote(faker.person.prefix(sex)), quote(sex === 'male' ? 'M' : 'F'),
    quote(faker.helpers.arrayElement(['Married', 'Single', 'Divorced', 'Separated', 'Widowed'])),
    quote(faker.location.streetAddress()), quote(faker.location.city()),
    quote(faker.location.county()), quote(faker.location.zipCode()),
    quote(faker.internet.email({ firstName: forename, lastName: surname })),
    quote(faker.date.birthdate().toISOString().slice(0, 10).replaceAll('-', '/')),
  ];
  chunk.push(head + values.join(',') + ');\n');
  if (chunk.length === 4096) {
    writeSync(out, chunk.join(''));
    chunk = [];
  }
}
writeSync(out, chunk.join(''));
const seconds = Number(process.hrtime.bigint() - started) / 1e9;
console.log(`${records} ${seconds.toFixed(3)}`);
