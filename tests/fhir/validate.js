// Validates FHIR R4 JSON files with two independent validators: FHIR.js (the core
// specification's structure definitions and value sets) and the FHIR JSON schema. Prints one line
// per problem and exits 1 when there is any, 2 when a validator cannot be loaded.
//
// Usage: node validate.js FILE...   (NODE_PATH names the folder holding node_modules)
'use strict';
const fs = require('fs');

let Fhir;
let JSONSchemaValidator;
try {
  Fhir = require('fhir').Fhir;
  JSONSchemaValidator = require('@asymmetrik/fhir-json-schema-validator');
} catch (error) {
  console.error(`the validators are not installed: ${error.message}`);
  process.exit(2);
}

const fhir = new Fhir();
const schema = new JSONSchemaValidator();
let problems = 0;

function report(file, validator, text) {
  problems += 1;
  console.log(`${file}: ${validator}: ${text}`);
}

for (const file of process.argv.slice(2)) {
  const bundle = JSON.parse(fs.readFileSync(file, 'utf8'));
  const structural = fhir.validate(bundle, { errorOnUnexpected: true });
  for (const message of structural.messages || []) {
    if (message.severity === 'error') {
      report(file, 'FHIR.js', `${message.location}: ${message.message}`);
    }
  }
  for (const error of schema.validate(bundle, true)) {
    report(file, 'JSON schema', `${error.dataPath || error.instancePath || ''} ${error.message}`);
  }
  // The schema of a Bundle checks each entry's resource loosely: each resource again, alone.
  for (const entry of bundle.entry || []) {
    for (const error of schema.validate(entry.resource, true)) {
      report(file, 'JSON schema',
             `${entry.resource.resourceType}/${entry.resource.id}${error.dataPath || ''} ${error.message}`);
    }
  }
  console.log(`${file}: ${(bundle.entry || []).length} resources checked`);
}
process.exit(problems === 0 ? 0 : 1);
